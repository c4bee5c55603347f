// TrafficForm, the traffic window: the frames of the program's lines as they cross, with a
// decode of each, to pause, filter by address, clear and save.
#pragma once

#include "traffic.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <optional>

class QCheckBox;
class QPushButton;
class QSpinBox;
class QTableView;

namespace vrx {

class ClockTimer;

// The frames shown: a copy of the feed's newest frames, taken at each refresh unless paused,
// and only those of one address when a filter is set.
class TrafficModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Time, Line, Direction, Gap, Hex, Text, Decode, ColumnCount };

    explicit TrafficModel(const TrafficFeed& feed, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Takes the frames added to the feed since the last refresh.
    void Refresh();
    // Shows only the frames of `address` (requests to it and replies from it), or all.
    void SetAddressFilter(std::optional<int> address);
    // Forgets the frames shown; the next refresh shows only newer ones.
    void Clear();
    const TrafficFrame& FrameAt(int row) const { return rows_.at(row); }
    // One cell as text, as shown; `whole`: every byte kept of the frame, not the first few.
    QString CellText(int row, int column, bool whole = false) const;

private:
    bool Passes(const TrafficFrame& frame) const;
    void Rebuild();

    const TrafficFeed& feed_;
    QList<TrafficFrame> rows_;
    qint64 rowBytes_ = 0; // the rows' frame bytes
    quint64 taken_ = 0;   // the feed's Added() at the last refresh
    std::optional<int> address_;
};

// The whole table as text: tab-separated columns, or RFC 4180 CSV, with a header row.
QByteArray TrafficText(const TrafficModel& model, bool csv);

class TrafficForm : public QWidget {
    Q_OBJECT
public:
    explicit TrafficForm(QWidget* parent = nullptr);

    TrafficModel* Model = nullptr;
    QTableView* Table = nullptr;
    QCheckBox* PauseBox = nullptr;
    QPushButton* ClearBt = nullptr;
    QSpinBox* AddressBox = nullptr; // 0: every address
    QPushButton* SaveBt = nullptr;

    // Takes what is new now (the view refreshes a few times a second by itself).
    void RefreshNow();
    void SaveBtClick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    ClockTimer* refresh_ = nullptr;
};

} // namespace vrx
