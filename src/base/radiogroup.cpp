// Radio groups placed by hand, so they scale with their window like every other control.
#include "radiogroup.h"

#include <QRadioButton>

namespace vrx {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, int columns,
                       QWidget* parent)
    : QGroupBox(caption, parent), columns_(qMax(1, columns)) {
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items.at(i), this);
        // Exclusivity is ours, so that "nothing selected" stays possible.
        button->setAutoExclusive(false);
        connect(button, &QRadioButton::clicked, this, [this, i] { SetItemIndex(i); });
        buttons_ << button;
    }
}

void RadioGroup::SetItemIndex(int index) {
    index = qBound(-1, index, Count() - 1);
    for (int i = 0; i < Count(); ++i)
        buttons_.at(i)->setChecked(i == index);
    if (index == index_) return;
    index_ = index;
    emit Click();
}

void RadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    Arrange();
}

void RadioGroup::Arrange() {
    // contentsRect already leaves room for the caption.
    const QRect area = contentsRect().adjusted(8, 2, -4, -2);
    const int rows = (Count() + columns_ - 1) / columns_;
    if (rows == 0) return;
    const int width = area.width() / columns_;
    const int height = area.height() / rows;
    for (int i = 0; i < Count(); ++i) {
        const int column = i / rows;
        const int row = i % rows;
        buttons_.at(i)->setGeometry(area.left() + column * width, area.top() + row * height, width,
                                    height);
    }
}

} // namespace vrx
