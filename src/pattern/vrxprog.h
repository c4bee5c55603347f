// TVRX5, the Ramp/soak editor window: the controller's eight temperature profiles.
#pragma once

#include <QWidget>

namespace vrx {

class TVRW2;

class TVRX5 : public QWidget {
    Q_OBJECT
public:
    // Transfers go through the Monitor window's line; the editor owns none.
    explicit TVRX5(TVRW2& monitor, QWidget* parent = nullptr);

private:
    TVRW2& monitor_;
};

} // namespace vrx
