// TVRW0, the Main window: menu, toolbar, the command tester, and the line ownership rule.
#pragma once

#include "lineowner.h"

#include <QList>
#include <QMainWindow>

class QLabel;
class QToolBar;
class QToolButton;

namespace vrx {

class TesterPanel;

class TVRW0 : public QMainWindow {
    Q_OBJECT
public:
    // FormCreate: measures ScreenWidth, so it must be the first window created.
    explicit TVRW0(LineOwner& line, QWidget* parent = nullptr);
    ~TVRW0() override;

    // Handlers.
    void FormShow();
    void SetCommunication1Click();
    void Monitor1Click();
    void Recorder1Click();
    void ToolButton5Click();
    void Exit1Click();
    void About1Click();
    // The traffic window, beside the design's tools.
    void TrafficButtonClick();
    // Finding the controllers on a line; it takes the line as the tools do.
    void ScanButtonClick();
    // "COM port in use, Shut down other program first !"
    void LineBusy();

    // The line every tool borrows; the Main window asks it who holds it.
    LineOwner& Line;

    QMenuBar* MainMenu1 = nullptr;
    QToolBar* ToolBar1 = nullptr;
    QLabel* Image1 = nullptr;
    TesterPanel* TESTPL = nullptr;

signals:
    // The windows it opens are created after it; program start connects these to them.
    void settingsLoadRequested();
    void protocolWindowRequested();
    void monitorWindowRequested();
    void recorderWindowRequested();
    void aboutWindowRequested();
    void trafficWindowRequested();
    void scanWindowRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void BuildMenu();
    void BuildToolBar();
    void CloseTester();
    // The line is held by a tool other than `tool` (empty: by any tool).
    bool LineHeldByOther(const QString& tool) const;
    bool shownOnce_ = false;
};

} // namespace vrx
