// The command tester panel: its controls and handlers.
#include "tester.h"

#include "dialogs.h"
#include "serialport.h"
#include "vrwset.h"

#include <QComboBox>
#include <QStyledItemDelegate>

namespace vrx {

namespace {

// Fixed-height items, as an owner-drawn list has them.
class FixedHeightDelegate final : public QStyledItemDelegate {
public:
    FixedHeightDelegate(const int& height, QObject* parent)
        : QStyledItemDelegate(parent), height_(height) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), height_};
    }

private:
    const int& height_;
};

} // namespace

TesterPanel::TesterPanel(SerialPort& port, QWidget* parent) : QFrame(parent), port_(port) {
    setObjectName(QStringLiteral("TESTPL"));
    setAutoFillBackground(true);
    QPalette sky = palette();
    sky.setColor(QPalette::Window, QColor(166, 202, 240));
    setPalette(sky);
    SCmdBox = new QComboBox(this);
    SCmdBox->setObjectName(QStringLiteral("SCmdBox"));
    SCmdBox->setItemDelegate(new FixedHeightDelegate(cmdItemHeight_, SCmdBox));
}

void TesterPanel::SetCmdItemHeight(int height) { cmdItemHeight_ = height; }

void TesterPanel::OpenTester() {
    show();
    quint16 timerId = 0;
    if (!OpenWithReplyTimer(protocol_->Selections(), port_, TesterReplyTicks, timerId))
        Dialogs::Current().Message(this, QStringLiteral("Warning"),
                                   QStringLiteral("Com port not exist"));
}

void TesterPanel::SExitBtClick() {
    port_.SetOpen(false);
    hide();
    emit Closed();
}

} // namespace vrx
