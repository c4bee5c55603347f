// The Ramp/soak editor's controls, laid out in design pixels for an 800-pixel screen and scaled.
#include "colours.h"
#include "curveimage.h"
#include "designform.h"
#include "guard.h"
#include "programcurve.h"
#include "programeditor.h"
#include "scaling.h"
#include "taborder.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>

#include <array>

namespace vrx {

namespace {

constexpr QSize FormSize{790, 530};
constexpr QPoint TableAt{10, 10};
// The pattern columns are one or two pixels wider than the grid's first design gave them, so
// that "Pattern 1" and "-3276.8" show whole at every screen width.
constexpr std::array<int, ProgTableColumns> ColumnWidths{80, 48, 48, 48, 48, 48, 48, 48, 80};
constexpr int RowHeight = 20;
// The table's text: as large as the pattern columns let "Pattern 0" be.
constexpr int TableFont = 9;
constexpr int ControlFont = 12;
constexpr int RightColumn = 520;
constexpr QPoint CurveAt{10, 424};

// A control in the editor's usual font unless told otherwise.
template <typename Widget>
Widget* Place(QWidget* parent, const char* name, const QRect& place, int pixelSize = ControlFont,
              bool bold = false) {
    return Make<Widget>(parent, QString::fromLatin1(name), place, DesignFont(pixelSize, bold));
}

// A caption on a raised panel, as the form's labels of the editors are.
QLabel* MakePanel(QWidget* parent, const char* name, const char* caption, const QRect& place) {
    auto* panel = Place<QLabel>(parent, name, place);
    panel->setText(QCoreApplication::translate("vrx::TVRX5", caption));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    return panel;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption,
                        const QRect& place) {
    auto* button = Place<QPushButton>(parent, name, place, ControlFont, true);
    button->setText(QCoreApplication::translate("vrx::TVRX5", caption));
    return button;
}

QComboBox* MakeList(QWidget* parent, const char* name, const QRect& place,
                    const QStringList& items) {
    auto* list = Place<QComboBox>(parent, name, place);
    list->addItems(items);
    return list;
}

QStringList Numbers(int first, int last) {
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QString::number(n);
    return items;
}

QStringList PatternItems(bool withEnd) {
    QStringList items;
    for (int p = 0; p < Patterns; ++p)
        items << LinkText(p);
    if (withEnd) items << LinkText(ProgEnd);
    return items;
}

} // namespace

void TVRX5::FormCreate() {
    setObjectName(QStringLiteral("VRX5"));
    setWindowTitle(tr("VRX Ramp Soak function Editor"));
    setFont(DesignFont(ControlFont));
    resize(FormSize);
    BuildTable();
    BuildButtons();
    BuildEditBox();

    const QSize curve = ProgCurveSize(DesignWidth);
    ProgCurve = new CurveImage(this);
    ProgCurve->setObjectName(QStringLiteral("ProgCurve"));
    ProgCurve->setGeometry({CurveAt, curve});
    // The axes' labels: as small as the table's text, so that the lines keep most of the room.
    ProgCurve->setFont(DesignFont(TableFont));
    ProgCurve->hide();

    UpLoadLabelP = Place<QLabel>(this, "UpLoadLabelP", {590, 440, 190, 20}, ControlFont, true);
    UpLoadLabelP->setText(tr("Reading Now"));
    SetColours(UpLoadLabelP, QPalette::Window, QColor(palette::White),
               QColor(palette::UploadNoteGreen));
    UpLoadLabelP->hide();
    UpLoadBarP = Place<QProgressBar>(this, "UpLoadBarP", {590, 466, 190, 18}, 9);
    UpLoadBarP->setRange(0, 100);
    UpLoadBarP->setValue(0);
    UpLoadBarP->setTextVisible(false);
    QPalette navy = UpLoadBarP->palette();
    navy.setColor(QPalette::Highlight, QColor(palette::GaugeNavy));
    UpLoadBarP->setPalette(navy);
    UpLoadBarP->hide();

    ScaleForm(this);
    OrderTabsByPlace(this);
    // The grid's sections are not widgets: they follow the screen here.
    int width = 0;
    for (int c = 0; c < ProgTableColumns; ++c) {
        ProgTable->setColumnWidth(c, Scaled(ColumnWidths[std::size_t(c)]));
        width += ProgTable->columnWidth(c);
    }
    ProgTable->verticalHeader()->setDefaultSectionSize(Scaled(RowHeight));
    const int frame = 2 * ProgTable->frameWidth();
    ProgTable->setFixedSize(width + frame, Scaled(RowHeight) * ProgTableRows + frame);
}

void TVRX5::BuildTable() {
    ProgTable = Place<QTableWidget>(this, "ProgTable", {TableAt, QSize(498, 402)}, TableFont);
    ProgTable->setColumnCount(ProgTableColumns);
    ProgTable->setRowCount(ProgTableRows);
    ProgTable->horizontalHeader()->hide();
    ProgTable->verticalHeader()->hide();
    ProgTable->verticalHeader()->setMinimumSectionSize(1);
    ProgTable->horizontalHeader()->setMinimumSectionSize(1);
    ProgTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ProgTable->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ProgTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProgTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ProgTable->setSelectionBehavior(QAbstractItemView::SelectItems);
    ProgTable->setWordWrap(false);
    ProgTable->setTextElideMode(Qt::ElideNone);
    const QBrush fixed = palette().button();
    const QBrush fixedText = palette().buttonText();
    for (int r = 0; r < ProgTableRows; ++r) {
        for (int c = 0; c < ProgTableColumns; ++c) {
            auto* item = new QTableWidgetItem;
            if (r == 0 || c == 0) {
                // The titles: not selectable, shaded like the grid's fixed row and column.
                item->setFlags(Qt::ItemIsEnabled);
                item->setBackground(fixed);
                item->setForeground(fixedText);
            } else {
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            }
            item->setTextAlignment(c == 0 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter);
            ProgTable->setItem(r, c, item);
        }
    }
    ProgTable->setCurrentCell(EditRow, EditCol);
}

void TVRX5::BuildButtons() {
    StartPLB = MakePanel(this, "StartPLB", QT_TR_NOOP("Start Pattern"), {RightColumn, 10, 120, 26});
    ProgStart = MakeList(this, "ProgStart", {RightColumn + 126, 11, 134, 24}, PatternItems(false));

    struct Button {
        QPushButton** made;
        const char* name;
        const char* caption;
        int column;
        int row;
    };
    const Button buttons[] = {
        {&EditPBt, "EditPBt", QT_TR_NOOP("Edit"), 0, 0},
        {&ReadSBt, "ReadSBt", QT_TR_NOOP("Read Setting"), 1, 0},
        {&WrBt, "WrBt", QT_TR_NOOP("Write"), 0, 1},
        {&ReadFBt, "ReadFBt", QT_TR_NOOP("Read File"), 1, 1},
        {&SaveFBt, "SaveFBt", QT_TR_NOOP("Save to ..."), 0, 2},
        {&RetBt, "RetBt", QT_TR_NOOP("Back"), 1, 2},
    };
    for (const Button& b : buttons)
        *b.made = MakeButton(this, b.name, b.caption,
                             {RightColumn + b.column * 140, 50 + b.row * 38, 120, 30});
    EditPBt->setEnabled(false);
    WrBt->setEnabled(false);
    SaveFBt->setEnabled(false);
}

void TVRX5::BuildEditBox() {
    EditBox = Place<QGroupBox>(this, "EditBox", {RightColumn, 172, 260, 142}, ControlFont, true);
    EditBox->setTitle(tr("Edit Page"));
    EditBox->hide();
    constexpr QRect captionAt{12, 30, 110, 26};
    constexpr QRect editorAt{130, 31, 116, 24};
    constexpr QRect secondCaptionAt{12, 64, 110, 26};
    constexpr QRect secondEditorAt{130, 65, 116, 24};

    StepLinkLb = MakePanel(EditBox, "StepLinkLb", QT_TR_NOOP("Pattern"), captionAt);
    TimeHourLB = MakePanel(EditBox, "TimeHourLB", QT_TR_NOOP("Hour"), captionAt);
    TimeMinLb = MakePanel(EditBox, "TimeMinLb", QT_TR_NOOP("Minute"), secondCaptionAt);

    SPEdit = Place<QLineEdit>(EditBox, "SPEdit", editorAt);
    SPEdit->setText(QStringLiteral("0"));
    MaxStep = MakeList(EditBox, "MaxStep", editorAt, Numbers(0, PatternSteps - 1));
    StepLink = MakeList(EditBox, "StepLink", editorAt, PatternItems(true));
    TimeHour = MakeList(EditBox, "TimeHour", editorAt, Numbers(0, 15));
    TimeMin = Place<QSpinBox>(EditBox, "TimeMin", secondEditorAt);
    TimeMin->setRange(0, 59);
    POKBt = MakeButton(EditBox, "POKBt", QT_TR_NOOP("Enter"), {130, 102, 116, 30});
    for (QWidget* editor : {static_cast<QWidget*>(MaxStep), static_cast<QWidget*>(StepLink),
                            static_cast<QWidget*>(TimeHour)})
        editor->installEventFilter(this);
}

void TVRX5::WireHandlers() {
    // Moving with the keys keeps the focus in the table; a click hands it to the editor.
    connect(ProgTable, &QTableWidget::currentCellChanged, this,
            [this](int row, int column) { Guarded([&] { SelectCell(row, column); }); });
    connect(ProgTable, &QTableWidget::cellClicked, this,
            [this](int row, int column) { Guarded([&] { ProgTableClick(row, column); }); });
    connect(ProgStart, &QComboBox::currentIndexChanged, this,
            GuardedSlot(this, &TVRX5::ProgStartChange));
    connect(SPEdit, &QLineEdit::returnPressed, this, GuardedSlot(this, &TVRX5::POKBtClick));
    connect(POKBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::POKBtClick));
    connect(TimeHour, &QComboBox::currentIndexChanged, this,
            GuardedSlot(this, &TVRX5::TimeHourChange));
    connect(TimeMin, &QSpinBox::valueChanged, this, GuardedSlot(this, &TVRX5::TimeMinChange));
    connect(EditPBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::EditPBtClick));
    connect(ReadSBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::ReadSBtClick));
    connect(WrBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::WrBtClick));
    connect(ReadFBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::ReadFBtClick));
    connect(SaveFBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::SaveFBtClick));
    connect(RetBt, &QPushButton::clicked, this, GuardedSlot(this, &TVRX5::RetBtClick));

    connect(&Transfer, &EngineTransfer::readProgress, UpLoadBarP, &QProgressBar::setValue);
    connect(&Transfer, &EngineTransfer::writeProgress, UpLoadBarP, &QProgressBar::setValue);
    connect(&Transfer, &EngineTransfer::readFinished, this,
            [this](const PatternProgram& program) { Guarded([&] { ReadFinished(program); }); });
    connect(&Transfer, &EngineTransfer::readStopped, this, GuardedSlot(this, &TVRX5::ReadStopped));
    for (auto ended : {&EngineTransfer::writeFinished, &EngineTransfer::writeStopped})
        connect(&Transfer, ended, this,
                [this](const PatternWriteEnd& end) { Guarded([&] { WriteEnded(end); }); });
}

} // namespace vrx
