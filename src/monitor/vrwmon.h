// TVRW2, the Monitor window: polls up to four controllers and edits their parameters.
#pragma once

#include "serialport.h"

#include <QWidget>

namespace vrx {

class TVRW1;

class TVRW2 : public QWidget {
    Q_OBJECT
public:
    explicit TVRW2(TVRW1& protocol, QWidget* parent = nullptr);

    // The window's line; the Main window reads its Open state for line ownership.
    SerialPort Port;
    quint16 ReplyTimerId = 0;

    void FormShow();
    void FormClose();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    TVRW1& protocol_;
};

} // namespace vrx
