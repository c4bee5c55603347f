// The traffic window and its model.
#include "trafficwindow.h"

#include "clock.h"
#include "dialogs.h"
#include "framedecode.h"
#include "guard.h"
#include "scaling.h"
#include "textfile.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTableView>
#include <QVBoxLayout>

namespace vrx {

namespace {

// Fast enough to follow the line, slow enough that a busy line costs one redraw per refresh.
constexpr int RefreshMs = 200;
// What a Hex or Text cell shows of a frame: a cell laid out as one long line costs its length
// at every paint, and no column is wider than this.
constexpr int ShownBytes = 256;

QString FrameText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    for (const char c : bytes) {
        if (c == '\r') {
            text += QStringLiteral("\\r");
        } else if (c == '\n') {
            text += QStringLiteral("\\n");
        } else {
            const auto u = static_cast<unsigned char>(c);
            text += u >= 0x20 && u < 0x7F ? QChar::fromLatin1(c) : QLatin1Char('.');
        }
    }
    return text;
}

QByteArray CsvCell(const QString& text) {
    QByteArray cell = text.toUtf8();
    if (!cell.contains(',') && !cell.contains('"') && !cell.contains('\n') && !cell.contains('\r'))
        return cell;
    return '"' + cell.replace("\"", "\"\"") + '"';
}

} // namespace

TrafficModel::TrafficModel(const TrafficFeed& feed, QObject* parent)
    : QAbstractTableModel(parent), feed_(feed) {}

int TrafficModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int TrafficModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant TrafficModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case Time:
        return tr("Time");
    case Line:
        return tr("Line");
    case Direction:
        return tr("Direction");
    case Gap:
        return tr("Gap (ms)");
    case Hex:
        return tr("Hex");
    case Text:
        return tr("Text");
    case Decode:
        return tr("Decode");
    default:
        return {};
    }
}

QString TrafficModel::CellText(int row, int column, bool whole) const {
    const TrafficFrame& frame = rows_.at(row);
    // What is not shown, said at the end, as the frame's whole length.
    const auto shown = [&](auto text) {
        const QByteArray bytes =
            whole || frame.bytes.size() <= ShownBytes ? frame.bytes : frame.bytes.first(ShownBytes);
        QString cell = text(bytes);
        if (frame.Length() > bytes.size()) cell += tr(" ... (%1 bytes)").arg(frame.Length());
        return cell;
    };
    switch (column) {
    case Time:
        return QDateTime::fromMSecsSinceEpoch(frame.wallMs)
            .toString(QStringLiteral("HH:mm:ss.zzz"));
    case Line:
        return frame.endpoint.isEmpty()
                   ? QStringLiteral("COM%1").arg(frame.com)
                   : QStringLiteral("COM%1 (%2)").arg(frame.com).arg(frame.endpoint);
    case Direction:
        return frame.sent ? tr("sent") : tr("received");
    case Gap:
        return QString::number(frame.gapMs);
    case Hex:
        return shown(
            [](const QByteArray& b) { return QString::fromLatin1(b.toHex(' ').toUpper()); });
    case Text:
        return shown(FrameText);
    case Decode:
        return DescribeFrame(DecodeFrame(frame.bytes, frame.sent, frame.mbap));
    default:
        return {};
    }
}

QVariant TrafficModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size()) return {};
    if (role == Qt::DisplayRole) return CellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() == Gap)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool TrafficModel::Passes(const TrafficFrame& frame) const {
    if (!address_) return true;
    const DecodedFrame decoded = DecodeFrame(frame.bytes, frame.sent, frame.mbap);
    return decoded.address == *address_;
}

void TrafficModel::Refresh() {
    const TrafficRing& ring = feed_.Frames();
    const quint64 added = ring.Added();
    // The feed keeps the newest frames only: what was dropped before this refresh is gone.
    const quint64 oldestKept = added - quint64(ring.Size());
    QList<TrafficFrame> fresh;
    qint64 freshBytes = 0;
    for (quint64 n = qMax(taken_, oldestKept); n < added; ++n) {
        const TrafficFrame& frame = ring.At(int(n - oldestKept));
        if (!Passes(frame)) continue;
        fresh.append(frame);
        freshBytes += frame.bytes.size();
    }
    taken_ = added;
    if (fresh.isEmpty()) return;
    // The window keeps what the feed keeps, in frames and in bytes; the oldest go first.
    qsizetype frames = rows_.size() + fresh.size();
    qint64 bytes = rowBytes_ + freshBytes;
    const auto full = [&] {
        return frames > TrafficRing::Capacity || bytes > TrafficRing::ByteCapacity;
    };
    qsizetype dropRows = 0;
    while (full() && dropRows < rows_.size()) {
        bytes -= rows_.at(dropRows++).bytes.size();
        --frames;
    }
    qsizetype dropFresh = 0;
    while (full() && dropFresh < fresh.size()) {
        bytes -= fresh.at(dropFresh++).bytes.size();
        --frames;
    }
    fresh.remove(0, dropFresh);
    if (dropRows > 0) {
        beginRemoveRows({}, 0, int(dropRows) - 1);
        rows_.remove(0, dropRows);
        endRemoveRows();
    }
    rowBytes_ = bytes;
    if (fresh.isEmpty()) return;
    beginInsertRows({}, int(rows_.size()), int(rows_.size() + fresh.size()) - 1);
    rows_.append(fresh);
    endInsertRows();
}

void TrafficModel::SetAddressFilter(std::optional<int> address) {
    if (address == address_) return;
    address_ = address;
    Rebuild();
}

void TrafficModel::Rebuild() {
    // What the feed still holds, through the new filter.
    beginResetModel();
    rows_.clear();
    rowBytes_ = 0;
    taken_ = 0;
    endResetModel();
    Refresh();
}

void TrafficModel::Clear() {
    beginResetModel();
    rows_.clear();
    rowBytes_ = 0;
    taken_ = feed_.Frames().Added();
    endResetModel();
}

QByteArray TrafficText(const TrafficModel& model, bool csv) {
    QByteArray text;
    auto row = [&](auto cell) {
        QByteArray line;
        for (int c = 0; c < TrafficModel::ColumnCount; ++c) {
            if (c > 0) line += csv ? ',' : '\t';
            line += csv ? CsvCell(cell(c)) : cell(c).toUtf8();
        }
        text += line + (csv ? "\r\n" : "\n");
    };
    row([&](int c) { return model.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(); });
    for (int r = 0; r < model.rowCount(); ++r)
        row([&](int c) { return model.CellText(r, c, true); });
    return text;
}

TrafficForm::TrafficForm(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("TrafficForm"));
    setWindowTitle(tr("Traffic"));

    Model = new TrafficModel(TrafficFeed::Instance(), this);
    Table = new QTableView(this);
    Table->setObjectName(QStringLiteral("Table"));
    Table->setModel(Model);
    Table->setSelectionBehavior(QAbstractItemView::SelectRows);
    Table->verticalHeader()->setVisible(false);
    // Rows of one height, not measured one by one: 10,000 rows scroll without a stall.
    Table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Table->verticalHeader()->setDefaultSectionSize(Table->fontMetrics().height() + 4);
    Table->horizontalHeader()->setStretchLastSection(true);
    Table->setWordWrap(false);
    const int widths[] = {90, 50, 70, 60, 260, 160};
    for (int c = 0; c < 6; ++c)
        Table->setColumnWidth(c, widths[c]);

    PauseBox = new QCheckBox(tr("Pause"), this);
    PauseBox->setObjectName(QStringLiteral("PauseBox"));
    ClearBt = new QPushButton(tr("Clear"), this);
    ClearBt->setObjectName(QStringLiteral("ClearBt"));
    auto* addressLabel = new QLabel(tr("Address"), this);
    AddressBox = new QSpinBox(this);
    AddressBox->setObjectName(QStringLiteral("AddressBox"));
    AddressBox->setRange(0, 255);
    AddressBox->setSpecialValueText(tr("all"));
    addressLabel->setBuddy(AddressBox);
    SaveBt = new QPushButton(tr("Save..."), this);
    SaveBt->setObjectName(QStringLiteral("SaveBt"));

    auto* tools = new QHBoxLayout;
    tools->addWidget(PauseBox);
    tools->addWidget(ClearBt);
    tools->addSpacing(12);
    tools->addWidget(addressLabel);
    tools->addWidget(AddressBox);
    tools->addStretch(1);
    tools->addWidget(SaveBt);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(tools);
    layout->addWidget(Table, 1);
    resize(860, 420);

    refresh_ = new ClockTimer(this);
    refresh_->setInterval(RefreshMs);
    connect(refresh_, &ClockTimer::timeout, this, GuardedSlot(this, &TrafficForm::RefreshNow));
    connect(PauseBox, &QCheckBox::toggled, this, [this](bool paused) {
        if (!paused) RefreshNow();
    });
    connect(ClearBt, &QPushButton::clicked, this, [this] {
        Model->Clear();
        TrafficFeed::Instance().Clear();
    });
    connect(AddressBox, &QSpinBox::valueChanged, this, [this](int address) {
        Model->SetAddressFilter(address == 0 ? std::nullopt : std::optional<int>(address));
    });
    connect(SaveBt, &QPushButton::clicked, this, GuardedSlot(this, &TrafficForm::SaveBtClick));
}

void TrafficForm::RefreshNow() {
    if (PauseBox->isChecked()) return;
    // Follows the newest frame only while the user has not scrolled away from it.
    QScrollBar* bar = Table->verticalScrollBar();
    const bool atBottom = bar->value() >= bar->maximum();
    Model->Refresh();
    if (atBottom) Table->scrollToBottom();
}

void TrafficForm::SaveBtClick() {
    const QString csvFilter = tr("CSV files (*.csv)");
    const QString path = Dialogs::Current().SaveFileName(
        this, tr("Save traffic"), tr("Text files (*.txt)") + QStringLiteral(";;") + csvFilter);
    if (path.isEmpty()) return;
    const bool csv = path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive);
    if (const auto problem = SaveWholeFile(path, TrafficText(*Model, csv)))
        Dialogs::Current().Message(this, tr("Traffic"), *problem);
}

void TrafficForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Wherever it was placed, by the window manager or before, it is seen whole: Save and the
    // newest frames at the bottom edge included.
    FitOnScreen(this, size());
    RefreshNow();
    refresh_->start();
}

void TrafficForm::hideEvent(QHideEvent* event) {
    refresh_->stop();
    QWidget::hideEvent(event);
}

} // namespace vrx
