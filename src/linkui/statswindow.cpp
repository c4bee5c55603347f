// The statistics table.
#include "statswindow.h"

#include "clock.h"
#include "guard.h"
#include "scaling.h"

#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vrx {

StatsForm::StatsForm(const QString& caption, Source source, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(std::move(source)) {
    setObjectName(QStringLiteral("StatsForm"));
    setWindowTitle(caption);
    Table = new QTableWidget(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Table->setColumnCount(int(ExchangeStats::Names().size()));
    Table->setHorizontalHeaderLabels(ExchangeStats::Names());
    Table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Table);
    resize(720, 220);
    refresh_ = new ClockTimer(this);
    refresh_->setInterval(1000);
    connect(refresh_, &ClockTimer::timeout, this, GuardedSlot(this, &StatsForm::RefreshNow));
}

void StatsForm::RefreshNow() {
    const Rows rows = source_ ? source_() : Rows{};
    Table->setRowCount(int(rows.size()));
    QStringList names;
    for (int r = 0; r < int(rows.size()); ++r) {
        names << rows[std::size_t(r)].first;
        const QStringList values = rows[std::size_t(r)].second.Values();
        for (int c = 0; c < values.size(); ++c) {
            QTableWidgetItem* item = Table->item(r, c);
            if (!item) {
                item = new QTableWidgetItem;
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                Table->setItem(r, c, item);
            }
            item->setText(values[c]);
        }
    }
    Table->setVerticalHeaderLabels(names);
    // Figures grow longer as the counts rise: the window widens with its columns.
    QHeaderView* header = Table->horizontalHeader();
    const int last = header->count() - 1;
    if (isVisible() && last >= 0 &&
        header->sectionViewportPosition(last) + header->sectionSize(last) >
            Table->viewport()->width())
        FitToTable();
}

void StatsForm::FitToTable() {
    QHeaderView* columns = Table->horizontalHeader();
    QHeaderView* rows = Table->verticalHeader();
    // The sections follow their contents only at the next layout: measured now.
    columns->resizeSections(QHeaderView::ResizeToContents);
    const QMargins margins = layout()->contentsMargins();
    const int frame = 2 * Table->frameWidth();
    QSize wanted(
        margins.left() + margins.right() + frame + rows->sizeHint().width() + columns->length(),
        margins.top() + margins.bottom() + frame + columns->sizeHint().height() + rows->length());
    // Rows beyond the screen's room scroll, and their scroll bar takes its width from the
    // columns.
    if (const QScreen* shown = screen();
        shown && wanted.height() > shown->availableGeometry().height())
        wanted.rwidth() += Table->verticalScrollBar()->sizeHint().width();
    FitOnScreen(this, wanted);
}

void StatsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    RefreshNow();
    FitToTable();
    refresh_->start();
}

void StatsForm::hideEvent(QHideEvent* event) {
    refresh_->stop();
    QWidget::hideEvent(event);
}

} // namespace vrx
