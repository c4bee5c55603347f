// RadioGroup: a captioned group of exclusive choices with an item index, -1 for none.
#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace vrx {

// Items are laid out in `columns` columns, filled top to bottom. Setting the index clamps it
// (below -1 gives -1, past the end gives the last item); Click is emitted whenever the
// selection changes, by the user or by the program.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent);

    int ItemIndex() const { return index_; }
    void SetItemIndex(int index);
    int Count() const { return int(buttons_.size()); }
    QRadioButton* Button(int index) const { return buttons_.at(index); }

signals:
    void Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Arrange();

    QList<QRadioButton*> buttons_;
    int columns_;
    int index_ = -1;
};

} // namespace vrx
