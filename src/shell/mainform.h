// TVRW0, the Main window: menu, toolbar, the command tester, and the line ownership rule.
#pragma once

#include "serialport.h"

#include <QList>
#include <QMainWindow>

class QLabel;
class QToolBar;
class QToolButton;

namespace vrx {

struct Forms;
class TesterPanel;

class TVRW0 : public QMainWindow {
    Q_OBJECT
public:
    // FormCreate: measures ScreenWidth, so it must be the first window created.
    explicit TVRW0(QWidget* parent = nullptr);
    ~TVRW0() override;

    // The other windows, once they exist (program start creates them after this one).
    void SetForms(Forms* forms);

    // Handlers.
    void FormShow();
    void SetCommunication1Click();
    void Monitor1Click();
    void Recorder1Click();
    void ToolButton5Click();
    void Exit1Click();
    void About1Click();

    // The tester's line.
    SerialPort Port;

    QMenuBar* MainMenu1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QLabel* Image1 = nullptr;
    TesterPanel* TESTPL = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void BuildMenu();
    void BuildToolBar();
    void CloseTester();
    void LineBusy();

    Forms* forms_ = nullptr;
    bool shownOnce_ = false;
};

} // namespace vrx
