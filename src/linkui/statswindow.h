// StatsForm: the statistics of a tool's stations or devices in a small table, one row each,
// kept up to date while it is shown.
#pragma once

#include "exchangestats.h"

#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

class QTableWidget;

namespace vrx {

class ClockTimer;

class StatsForm : public QWidget {
    Q_OBJECT
public:
    // The rows to show: each station's or device's name and its figures.
    using Rows = std::vector<std::pair<QString, ExchangeStats>>;
    using Source = std::function<Rows()>;

    StatsForm(const QString& caption, Source source, QWidget* parent = nullptr);

    QTableWidget* Table = nullptr;

    // Takes the figures now (the table follows by itself once a second while shown).
    void RefreshNow();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Sizes the window to the table's columns and rows, as far as the screen's room allows.
    void FitToTable();

    Source source_;
    ClockTimer* refresh_ = nullptr;
};

} // namespace vrx
