// TVRW3, the Recorder window: samples up to eight controllers and charts their process values.
#pragma once

#include "portwindow.h"

namespace vrx {

class TVRW3 : public PortWindow {
    Q_OBJECT
public:
    explicit TVRW3(TVRW1& protocol, QWidget* parent = nullptr);

    void FormShow() override;
    void FormClose() override;
};

} // namespace vrx
