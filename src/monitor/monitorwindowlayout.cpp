// The Monitor window's controls, laid out in design pixels for an 800-pixel screen and scaled.
#include "chinesefont.h"
#include "colours.h"
#include "designform.h"
#include "frontface.h"
#include "guard.h"
#include "monitorwindow.h"
#include "parameterboxes.h"
#include "scaling.h"
#include "shape.h"
#include "taborder.h"
#include "trendcanvas.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QValidator>

namespace vrx {

namespace {

// Station columns and the rows of the parameter groups, in design pixels.
constexpr int ColumnWidth = 200;
constexpr QRect PictureAt{25, 40, 150, 134}; // within a column
constexpr int ButtonsY = 184;
constexpr int Out1Y = 210;
constexpr int Out2Y = 226;
constexpr int CountersY = 242;
constexpr int GroupsY = 262;
constexpr int RowTop = 18;   // first row below a group's caption
constexpr int RowPitch = 21; // rows of a group
constexpr int RowHeight = 19;
constexpr int BoxFont = 11;
// The controls end a few pixels short of the design's 800: a maximized window whose frame keeps
// its sides is that much narrower than the screen.
constexpr int ContentWidth = 796;

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& caption, const QRect& place,
                  int pixelSize = BoxFont, bool bold = false) {
    auto* label = Make<QLabel>(parent, name, place, DesignFont(pixelSize, bold));
    label->setText(caption);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& place, int pixelSize = 12) {
    auto* button = Make<QPushButton>(parent, name, place, DesignFont(pixelSize, true));
    button->setText(caption);
    return button;
}

QProgressBar* MakeGauge(QWidget* parent, const QString& name, const QRect& place, int maximum) {
    auto* gauge = Make<QProgressBar>(parent, name, place, DesignFont(9));
    gauge->setRange(0, maximum);
    gauge->setValue(0);
    gauge->setTextVisible(false);
    QPalette navy = gauge->palette();
    navy.setColor(QPalette::Highlight, QColor(palette::GaugeNavy));
    gauge->setPalette(navy);
    return gauge;
}

Shape* MakeShape(QWidget* parent, const QString& name, Shape::Kind kind, const QRect& place,
                 const QColor& brush, const QColor& pen) {
    auto* shape = new Shape(kind, parent);
    shape->setObjectName(name);
    shape->setGeometry(place);
    shape->SetBrushColor(brush);
    shape->SetPenColor(pen);
    return shape;
}

// A read-only display window over the controller picture.
QLineEdit* MakeDisplay(QWidget* parent, const QString& name, const QRect& place, int pixelSize,
                       const QColor& text) {
    auto* edit = Make<QLineEdit>(parent, name, place, DesignFont(pixelSize, true));
    edit->setReadOnly(true);
    edit->setFrame(false);
    edit->setFocusPolicy(Qt::NoFocus);
    edit->setAttribute(Qt::WA_TransparentForMouseEvents); // a click selects the station
    SetColours(edit, QPalette::Base, QColor(palette::DisplayField), text);
    return edit;
}

// Five characters at most can be typed into a parameter box. A value the program shows may be
// longer ("1300.0"), and must be shown whole: a maximum length would cut it.
class TypedLengthValidator final : public QValidator {
public:
    TypedLengthValidator(int length, QObject* parent) : QValidator(parent), length_(length) {}
    State validate(QString& input, int&) const override {
        return input.size() <= length_ ? Acceptable : Invalid;
    }

private:
    int length_;
};

QString Numbered(const char* stem, int n) {
    return QString::fromLatin1(stem) + QString::number(n);
}

// A place on the picture, from the front's design units to the picture's size in the column.
QRect OnPicture(const QRectF& design) {
    const qreal sx = PictureAt.width() / frontface::DesignSize.width();
    const qreal sy = PictureAt.height() / frontface::DesignSize.height();
    return QRectF(design.x() * sx, design.y() * sy, design.width() * sx, design.height() * sy)
        .toRect();
}

constexpr const char* LampStems[LampCount] = {"AT",   "OUT1", "OUT2", "ALM1",
                                              "ALM2", "ALM3", "FDEG", "CDEG"};

} // namespace

void TVRW2::FormCreate() {
    setObjectName(QStringLiteral("VRW2"));
    setWindowTitle(tr("VRX MONITOR PROGRAM"));
    setFont(DesignFont(BoxFont));
    resize(800, 560);

    // The ring goes first, so the pictures lie over it and it shows around them.
    SelPanel = MakeShape(this, QStringLiteral("SelPanel"), Shape::Kind::Ellipse,
                         PictureAt.adjusted(-10, -8, 10, 8), Qt::transparent,
                         QColor(palette::SelectionRingSilver));
    SelPanel->SetHollow(true);
    SelPanel->SetPenWidth(5);
    SelPanel->setAttribute(Qt::WA_TransparentForMouseEvents);
    for (int st = 1; st <= PollEngine::Stations; ++st)
        BuildStation(st);
    BuildCounters();
    BuildControlBox();
    BuildInputBox();
    BuildMethodBoxes();
    BuildAlarmBox();
    BuildAdjustBox();
    BuildOperations();

    DrawIme = Make<TrendImage>(this, QStringLiteral("DrawIme"), {8, GroupsY, 785, 240}, font());
    DrawIme->hide();

    ShowHiddenControls(false); // the calibration controls belong to the hidden mode

    ScaleForm(this);
    OrderTabsByPlace(this);
    FwCaption = FWVersion->text();
    setWindowState(Qt::WindowMaximized);
}

void TVRW2::BuildStation(int st) {
    const int x0 = (st - 1) * ColumnWidth;
    Panel[st] =
        MakeLabel(this, Numbered("Panel", st), tr("Address"), {x0 + 14, 4, 72, 24}, 12, true);
    Panel[st]->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel[st]->setAlignment(Qt::AlignCenter);
    ComAddr[st] =
        Make<QSpinBox>(this, Numbered("ComAddr", st), {x0 + 88, 4, 56, 24}, DesignFont(13, true));
    ComAddr[st]->setRange(0, 255);
    ComAddr[st]->setValue(st);
    ComAddr[st]->setProperty("Tag", st);
    ShapeBG[st] =
        MakeShape(this, Numbered("ShapeBG", st), Shape::Kind::RoundSquare, {x0 + 156, 2, 28, 28},
                  QColor(palette::StationBadgeNavy), QColor(palette::StationBadgeNavy));
    RunLED[st] = MakeShape(this, Numbered("RunLED", st), Shape::Kind::Circle, {x0 + 161, 7, 18, 18},
                           QColor(palette::LampGrey), QColor(palette::LampRim));
    RunLED[st]->setProperty("Tag", st);
    RunLED[st]->setAttribute(Qt::WA_TransparentForMouseEvents);

    Image[st] = Make<QLabel>(this, Numbered("Image", st), PictureAt.translated(x0, 0), font());
    Image[st]->setPixmap(QPixmap(QStringLiteral(":/assets/front.jpg")));
    Image[st]->setScaledContents(true);
    Image[st]->setProperty("Tag", st);
    Image[st]->setCursor(Qt::PointingHandCursor);
    Image[st]->installEventFilter(this);
    BuildStationFace(st);

    RunBt[st] = MakeButton(this, Numbered("RunBt", st), tr("Connect"), {x0 + 25, ButtonsY, 72, 22});
    RunBt[st]->setProperty("Tag", st);
    StopBt[st] =
        MakeButton(this, Numbered("StopBt", st), tr("Cancel"), {x0 + 103, ButtonsY, 72, 22});
    StopBt[st]->setProperty("Tag", st + PollEngine::Stations);

    OutLB1[st] = MakeLabel(this, Numbered("OutLB1", st), QStringLiteral("OUT1"),
                           {x0 + 25, Out1Y, 36, 14}, 10, true);
    OutQty1[st] = MakeGauge(this, Numbered("OutQty1", st), {x0 + 62, Out1Y + 1, 113, 12}, 1000);
    OutLB2[st] = MakeLabel(this, Numbered("OutLB2", st), QStringLiteral("OUT2"),
                           {x0 + 25, Out2Y, 36, 14}, 10, true);
    OutQty2[st] = MakeGauge(this, Numbered("OutQty2", st), {x0 + 62, Out2Y + 1, 113, 12}, 1000);
    for (QWidget* w :
         std::initializer_list<QWidget*>{OutLB1[st], OutQty1[st], OutLB2[st], OutQty2[st]})
        w->hide();
}

void TVRW2::BuildStationFace(int st) {
    QLabel* picture = Image[st];
    EditP[st] = MakeDisplay(picture, QStringLiteral("Edit%1P").arg(st),
                            OnPicture(frontface::PvWindow), 24, QColor(palette::PvDisplayRed));
    EditS[st] = MakeDisplay(picture, QStringLiteral("Edit%1S").arg(st),
                            OnPicture(frontface::SvWindow), 17, QColor(palette::SvDisplayGreen));
    const qreal sx = PictureAt.width() / frontface::DesignSize.width();
    const int diameter = qRound(2 * frontface::LampRadius * sx) + 1;
    for (int lamp = 0; lamp < LampCount; ++lamp) {
        const QPointF centre = OnPicture({frontface::Lamps[std::size_t(lamp)], QSizeF()}).topLeft();
        const QRect place(qRound(centre.x()) - diameter / 2, qRound(centre.y()) - diameter / 2,
                          diameter, diameter);
        Shape* shape = MakeShape(picture, Numbered(LampStems[lamp], st), Shape::Kind::Circle, place,
                                 QColor(palette::LampGrey), QColor(palette::LampRim));
        shape->setAttribute(Qt::WA_TransparentForMouseEvents);
        Lamps[std::size_t(lamp)][st] = shape;
    }
}

void TVRW2::BuildCounters() {
    DebugMess =
        Make<QFrame>(this, QStringLiteral("DebugMess"), {0, CountersY, ContentWidth, 18}, font());
    for (int st = 1; st <= PollEngine::Stations; ++st) {
        const int x0 = (st - 1) * ColumnWidth;
        ErrClearBt[st] = MakeShape(DebugMess, Numbered("ErrClearBt", st), Shape::Kind::Circle,
                                   {x0 + 25, 2, 14, 14}, QColor(palette::CounterClearSilver),
                                   QColor(palette::LampRim));
        ErrClearBt[st]->setProperty("Tag", st);
        DoCnt[st] =
            MakeLabel(DebugMess, Numbered("DoCnt", st), QStringLiteral("0"), {x0 + 45, 1, 62, 16});
        ErrCnt[st] = MakeLabel(DebugMess, Numbered("ErrCnt", st), QStringLiteral("0"),
                               {x0 + 112, 1, 62, 16});
    }
}

QLineEdit* TVRW2::MakeParamEdit(QWidget* box, const char* name, int row, int labelWidth,
                                int fieldWidth) {
    const EditBoxInfo* info = FindEditBox(QString::fromLatin1(name));
    const int y = RowTop + row * RowPitch;
    labels_.insert(QString::fromLatin1(info->label),
                   MakeLabel(box, QString::fromLatin1(info->label),
                             QCoreApplication::translate("vrx::Parameters", info->caption),
                             {6, y, labelWidth, RowHeight}));
    auto* edit = Make<QLineEdit>(box, QString::fromLatin1(name),
                                 {box->width() - 6 - fieldWidth, y, fieldWidth, RowHeight},
                                 DesignFont(BoxFont));
    edit->setValidator(new TypedLengthValidator(5, edit));
    edit->setText(QStringLiteral("0"));
    edits_.insert(edit->objectName(), edit);
    return edit;
}

QComboBox* TVRW2::MakeParamCombo(QWidget* box, const char* name, int row, int labelWidth,
                                 int fieldWidth) {
    const ComboBoxInfo* info = FindComboBox(QString::fromLatin1(name));
    const int y = RowTop + row * RowPitch;
    const QString label = QString::fromLatin1(info->label);
    if (!labels_.contains(label))
        labels_.insert(label,
                       MakeLabel(box, label,
                                 QCoreApplication::translate("vrx::Parameters", info->caption),
                                 {6, y, labelWidth, RowHeight}));
    auto* combo = Make<QComboBox>(box, QString::fromLatin1(name),
                                  {box->width() - 6 - fieldWidth, y, fieldWidth, RowHeight},
                                  DesignFont(BoxFont));
    combo->addItems(ComboItems(QString::fromLatin1(name)));
    combo->setCurrentIndex(-1);
    combos_.insert(combo->objectName(), combo);
    return combo;
}

void TVRW2::BuildControlBox() {
    CtrlBox = Make<QGroupBox>(this, QStringLiteral("CtrlBox"), {2, GroupsY, 180, 188},
                              DesignFont(BoxFont, true));
    CtrlBox->setTitle(tr("Control"));
    const char* rows[] = {"CtrlSet", "RunStop",    "HeatCool",    "ComWrite",
                          "AT",      "LockStatus", "OutputType1", "OutputType2"};
    for (int row = 0; row < 8; ++row)
        MakeParamCombo(CtrlBox, rows[row], row, 78, 90);
}

void TVRW2::BuildInputBox() {
    TempBox = Make<QGroupBox>(this, QStringLiteral("TempBox"), {184, GroupsY, 150, 146},
                              DesignFont(BoxFont, true));
    TempBox->setTitle(tr("Input"));
    MakeParamEdit(TempBox, "SetV", 0, 62, 72);
    // The program's display takes the set value's place while a program runs the controller.
    // Its items are longer than numbers; the short caption leaves room.
    MakeParamCombo(TempBox, "ProgDisp", 0, 62, 112)->hide();
    MakeParamEdit(TempBox, "UpLimit", 1, 62, 72);
    MakeParamEdit(TempBox, "DnLimit", 2, 62, 72);
    MakeParamCombo(TempBox, "InputType", 3, 62, 72);
    MakeParamCombo(TempBox, "Pointer", 4, 62, 72);
    MakeParamCombo(TempBox, "DegUnit", 5, 62, 72);

    const QRect below{184, GroupsY + 150, 150, 22};
    FWVersion =
        MakeLabel(this, QStringLiteral("FWVersion"), tr("Firmware Version"), below, BoxFont, true);
    FWVersion->setFrameStyle(QFrame::Panel | QFrame::Raised);
    FWVersion->setAlignment(Qt::AlignCenter);
    PassLB = MakeLabel(this, QStringLiteral("PassLB"), tr(" 密碼輸入"),
                       {below.x(), below.y(), 62, below.height()}, BoxFont, true);
    PassLB->setFont(WithChineseFamily(PassLB->font()));
    PassEdit = Make<QLineEdit>(this, QStringLiteral("PassEdit"),
                               {below.x() + 64, below.y(), below.width() - 64, below.height()},
                               DesignFont(BoxFont));
    // Typed hidden, as a password is.
    PassEdit->setEchoMode(QLineEdit::Password);
    PassLB->hide();
    PassEdit->hide();
}

void TVRW2::BuildMethodBoxes() {
    const QRect place{336, GroupsY, 148, 188};
    PIDBox = Make<QGroupBox>(this, QStringLiteral("PIDBox"), place, DesignFont(BoxFont, true));
    PIDBox->setTitle(tr("PID Parameter"));
    MakeParamEdit(PIDBox, "KP", 0, 82, 54);
    MakeParamEdit(PIDBox, "KI", 1, 82, 54);
    MakeParamEdit(PIDBox, "KD", 2, 82, 54);
    // Only one offset applies: the integral one with integral action, else the PD one.
    MakeParamEdit(PIDBox, "SumOffs", 3, 82, 54);
    MakeParamEdit(PIDBox, "PDOffs", 3, 82, 54)->hide();
    labels_.value(QStringLiteral("PDOFSLB"))->hide();
    MakeParamEdit(PIDBox, "Coeff", 4, 82, 54);
    MakeParamEdit(PIDBox, "DeadBand1", 5, 82, 54);
    MakeParamEdit(PIDBox, "HCPeriodPID1", 6, 82, 54);
    MakeParamEdit(PIDBox, "HCPeriodPID2", 7, 82, 54);

    OnOffBox = Make<QGroupBox>(this, QStringLiteral("OnOffBox"), place, DesignFont(BoxFont, true));
    OnOffBox->setTitle(tr("ON-OFF"));
    MakeParamEdit(OnOffBox, "DeadBand2", 0, 82, 54);
    MakeParamEdit(OnOffBox, "Hyst1", 1, 82, 54);
    MakeParamEdit(OnOffBox, "Hyst2", 2, 82, 54);

    ManuBox = Make<QGroupBox>(this, QStringLiteral("ManuBox"), place, DesignFont(BoxFont, true));
    ManuBox->setTitle(tr("Manual"));
    MakeParamEdit(ManuBox, "OUTQ1", 0, 82, 54);
    MakeParamEdit(ManuBox, "OUTQ2", 1, 82, 54);
    MakeParamEdit(ManuBox, "CurrHi", 2, 82, 54);
    MakeParamEdit(ManuBox, "CurrLo", 3, 82, 54);
    MakeParamEdit(ManuBox, "HCPeriod1", 4, 82, 54);
    MakeParamEdit(ManuBox, "HCPeriod2", 5, 82, 54);
    OnOffBox->hide();
    ManuBox->hide();
}

void TVRW2::BuildAlarmBox() {
    AlmBox = Make<QGroupBox>(this, QStringLiteral("AlmBox"), {486, GroupsY, 168, 230},
                             DesignFont(BoxFont, true));
    AlmBox->setTitle(tr("Alarm"));
    const int inner = AlmBox->width() - 12;
    const char* modes[] = {"ALM1Mode", "ALM2Mode", "ALM3Mode"};
    const char* ups[] = {"UpLimit1", "UpLimit2", "UpLimit3"};
    const char* downs[] = {"DnLimit1", "DnLimit2", "DnLimit3"};
    for (int k = 0; k < 3; ++k) {
        // Caption on a row of its own: the mode names are long.
        const int row = k * 3;
        MakeParamCombo(AlmBox, modes[k], row, inner, inner)->move(6, RowTop + (row + 1) * RowPitch);
        const int y = RowTop + (row + 2) * RowPitch;
        MakeParamEdit(AlmBox, ups[k], row + 2, 18, 48)->move(26, y);
        MakeParamEdit(AlmBox, downs[k], row + 2, 32, 50);
        labels_.value(QString::fromLatin1(FindEditBox(QString::fromLatin1(downs[k]))->label))
            ->move(78, y);
    }
    MakeParamCombo(AlmBox, "SALMode", 9, 80, 76);
}

void TVRW2::BuildAdjustBox() {
    AdjustBox = Make<QGroupBox>(this, QStringLiteral("AdjustBox"),
                                {656, GroupsY, ContentWidth - 656, 230}, DesignFont(BoxFont, true));
    AdjustBox->setTitle(tr("PV tuning"));
    const char* rows[] = {"TPOffs", "RTDOfs",  "RTDGain", "TCOfs",
                          "TCGain", "ColdOfs", "mVOfs",   "mVGain"};
    for (int row = 0; row < 8; ++row)
        MakeParamEdit(AdjustBox, rows[row], row, 74, 54);
    const int inner = AdjustBox->width() - 12;
    ClearBt1 = MakeButton(AdjustBox, QStringLiteral("ClearBt1"), tr("Restore Default Setting"),
                          {6, RowTop + 8 * RowPitch, inner, RowHeight + 1}, 10);
    ClearBt2 = MakeButton(AdjustBox, QStringLiteral("ClearBt2"), tr("Clear PV Adjust Value "),
                          {6, RowTop + 9 * RowPitch, inner, RowHeight + 1}, 10);
    // The longest captions of the window: plain, so they fit the group's width.
    for (QPushButton* button : {ClearBt1, ClearBt2})
        button->setFont(DesignFont(10));
}

void TVRW2::BuildOperations() {
    OpPanel = Make<QFrame>(this, QStringLiteral("OpPanel"), {2, 508, 532, 28}, font());
    OpPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    const std::pair<const char*, const char*> buttons[] = {
        {"LoadBt", QT_TR_NOOP("Load to Buffer")},
        {"OpenBt", QT_TR_NOOP("Open File")},
        {"SaveBt", QT_TR_NOOP("Save to File")},
        {"WriteBt", QT_TR_NOOP("Write to Select")},
        {"WrAllBt", QT_TR_NOOP("BroadCast")}};
    QPushButton* made[5] = {};
    for (int i = 0; i < 5; ++i)
        made[i] = MakeButton(OpPanel, QString::fromLatin1(buttons[i].first), tr(buttons[i].second),
                             {4 + i * 105, 3, 101, 22}, 11);
    LoadBt = made[0];
    OpenBt = made[1];
    SaveBt = made[2];
    WriteBt = made[3];
    WrAllBt = made[4];
    WriteBt->setEnabled(false);

    ProgBt = MakeButton(this, QStringLiteral("ProgBt"), tr("Program"), {540, 511, 78, 22});
    ProgBt->setEnabled(false);
    DrawBt = MakeButton(this, QStringLiteral("DrawBt"), tr("View Recorder"), {622, 511, 100, 22});
    ExitBt2 = MakeButton(this, QStringLiteral("ExitBt2"), tr("Exit"), {726, 511, 70, 22});

    ErrMess = MakeLabel(this, QStringLiteral("ErrMess"), tr(" No Error"), {2, 540, 320, 18},
                        BoxFont, true);
    const QColor teal(palette::StatusTeal);
    SetColours(ErrMess, QPalette::Window, teal, TextColourOn(teal));
    UpLoadLabel = MakeLabel(this, QStringLiteral("UpLoadLabel"), tr("Reading Data Now"),
                            {330, 540, 170, 18}, BoxFont, true);
    UpLoadBar = MakeGauge(this, QStringLiteral("UpLoadBar"), {504, 541, 292, 16}, 100);
    UpLoadLabel->hide();
    UpLoadBar->hide();
}

} // namespace vrx
