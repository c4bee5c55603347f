// TVRW4, the About window: program name and version.
#pragma once

#include <QWidget>

class QFrame;
class QLabel;

namespace vrx {

class TVRW4 : public QWidget {
    Q_OBJECT
public:
    explicit TVRW4(QWidget* parent = nullptr);

    QFrame* AboutPl = nullptr;
    QLabel* Image2 = nullptr;
};

} // namespace vrx
