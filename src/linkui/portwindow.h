// What every window with a line shares: its turn on the program's one line, taken with the
// Protocol window's settings, and the warning when the line cannot be opened.
#pragma once

#include "comsettings.h"
#include "lineowner.h"

#include <QWidget>

namespace vrx {

class StatsForm;
class TVRW1;

// Applies the settings and opens the line for `tool`. When it cannot be opened it is left
// closed and a "Warning" box says failText. True when the tool holds the open line.
bool OpenOrWarn(QWidget* parent, const ComSelections& settings, LineOwner& line,
                const QString& tool, const QString& failText);

// A top-level window that uses the line: the Monitor and the Recorder. Being shown by the
// program runs its FormShow, being closed its FormClose.
class PortWindow : public QWidget {
    Q_OBJECT
public:
    PortWindow(TVRW1& protocol, LineOwner& line, QString tool, QWidget* parent);

    // The window holds the open line; the Main window asks the line, not the window.
    bool HoldsLine() const { return line_.Holds(tool_); }
    const QString& Tool() const { return tool_; }

    virtual void FormShow() = 0;
    virtual void FormClose() = 0;

signals:
    // The user asked for the traffic window ("Traffic...", Ctrl+T).
    void trafficWindowRequested();

protected:
    // Beside the design's controls: "Statistics..." (Ctrl+I) shows `stats`, "Traffic..."
    // (Ctrl+T) asks for the traffic window; both in the window's context menu.
    void AddToolActions(StatsForm* stats);
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // Opens the line with the settings of the Protocol window, or warns with failText.
    bool OpenPort(const QString& failText);
    void ClosePort() { line_.Close(tool_); }
    ComSelections Settings() const;
    LineSettings CurrentLineSettings() const { return ToLineSettings(Settings()); }
    LineOwner& Line() { return line_; }

private:
    TVRW1& protocol_;
    LineOwner& line_;
    QString tool_;
};

} // namespace vrx
