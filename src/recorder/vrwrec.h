// TVRW3, the Recorder window: samples up to eight controllers and charts their process values.
#pragma once

#include "serialport.h"

#include <QWidget>

namespace vrx {

class TVRW1;

class TVRW3 : public QWidget {
    Q_OBJECT
public:
    explicit TVRW3(TVRW1& protocol, QWidget* parent = nullptr);

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
