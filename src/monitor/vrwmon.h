// TVRW2, the Monitor window: polls up to four controllers and edits their parameters.
#pragma once

#include "portwindow.h"

namespace vrx {

class TVRW2 : public PortWindow {
    Q_OBJECT
public:
    explicit TVRW2(TVRW1& protocol, QWidget* parent = nullptr);

    void FormShow() override;
    void FormClose() override;
};

} // namespace vrx
