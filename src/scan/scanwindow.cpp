// The Find controllers window's handlers.
#include "scanwindow.h"

#include "dialogs.h"
#include "errors.h"
#include "guard.h"
#include "lineowner.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace vrx {

namespace {

enum Column {
    AddressColumn,
    FramingColumn,
    SpeedColumn,
    FormatColumn,
    DeviceColumn,
    PvColumn,
    FirmwareColumn,
    ColumnCount
};

QString FramingText(const LineSettings& s) {
    return s.Rtu() ? QStringLiteral("RTU") : QStringLiteral("ASCII");
}

QString TimeText(qint64 ms) {
    const qint64 seconds = (ms + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ScanForm::ScanForm(LineOwner& line, QWidget* parent)
    : QWidget(parent, Qt::Window), runner_(std::make_unique<scan::ScanRunner>(line)) {
    setObjectName(QStringLiteral("ScanForm"));
    setWindowTitle(tr("Find controllers"));

    const auto named = [](QWidget* widget, const char* name) {
        widget->setObjectName(QString::fromLatin1(name));
        return widget;
    };
    ComBox = new QComboBox(this);
    named(ComBox, "ComBox");
    for (int n = 1; n <= 8; ++n)
        ComBox->addItem(QStringLiteral("COM%1").arg(n), n);
    AddressEdit = new QLineEdit(QStringLiteral("1-247"), this);
    named(AddressEdit, "AddressEdit");
    AddressEdit->setToolTip(tr("Addresses and ranges from 1 to 247, as 1-32,40"));
    AsciiBox = new QCheckBox(QStringLiteral("ASCII"), this);
    named(AsciiBox, "AsciiBox");
    RtuBox = new QCheckBox(QStringLiteral("RTU"), this);
    named(RtuBox, "RtuBox");
    auto* framings = new QHBoxLayout;
    for (QCheckBox* box : {AsciiBox, RtuBox}) {
        box->setChecked(true);
        framings->addWidget(box);
    }
    framings->addStretch(1);
    auto* speeds = new QHBoxLayout;
    for (std::size_t i = 0; i < SpeedBoxes.size(); ++i) {
        SpeedBoxes[i] = new QCheckBox(QString::number(OfferedBauds[i]), this);
        SpeedBoxes[i]->setObjectName(QStringLiteral("Speed%1Box").arg(OfferedBauds[i]));
        SpeedBoxes[i]->setChecked(true);
        speeds->addWidget(SpeedBoxes[i]);
    }
    speeds->addStretch(1);
    FormatEdit = new QLineEdit(this);
    named(FormatEdit, "FormatEdit");
    FormatEdit->setPlaceholderText(tr("all"));
    FormatEdit->setToolTip(tr("Data bits, parity and stop bits, as 8N1,8E1,7E1; empty for all"));
    AllSettingsBox = new QCheckBox(tr("Go on through every setting"), this);
    named(AllSettingsBox, "AllSettingsBox");

    auto* choices = new QFormLayout;
    choices->addRow(tr("Line"), ComBox);
    choices->addRow(tr("Addresses"), AddressEdit);
    choices->addRow(tr("Framings"), framings);
    choices->addRow(tr("Speeds"), speeds);
    choices->addRow(tr("Formats"), FormatEdit);
    choices->addRow(QString(), AllSettingsBox);

    FindBt = new QPushButton(tr("Find"), this);
    named(FindBt, "FindBt");
    CancelBt = new QPushButton(tr("Cancel"), this);
    named(CancelBt, "CancelBt");
    CancelBt->setEnabled(false);
    ScanGauge = new QProgressBar(this);
    named(ScanGauge, "ScanGauge");
    ScanGauge->setRange(0, 100);
    ScanGauge->setValue(0);
    auto* run = new QHBoxLayout;
    run->addWidget(FindBt);
    run->addWidget(CancelBt);
    run->addWidget(ScanGauge, 1);
    TryingLB = new QLabel(this);
    named(TryingLB, "TryingLB");

    FoundGrid = new QTableWidget(0, ColumnCount, this);
    named(FoundGrid, "FoundGrid");
    FoundGrid->setHorizontalHeaderLabels({tr("Address"), tr("Framing"), tr("Speed"), tr("Format"),
                                          tr("Device"), tr("PV"), tr("Firmware")});
    FoundGrid->verticalHeader()->setVisible(false);
    FoundGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    FoundGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    FoundGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FoundGrid->setWordWrap(false);
    FoundGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    FoundGrid->verticalHeader()->setDefaultSectionSize(FoundGrid->fontMetrics().height() + 6);
    FoundGrid->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    FoundGrid->horizontalHeader()->setSectionResizeMode(DeviceColumn, QHeaderView::Stretch);
    NoiseLB = new QLabel(this);
    named(NoiseLB, "NoiseLB");
    NoiseLB->setWordWrap(true);

    UseBt = new QPushButton(tr("Use these settings"), this);
    named(UseBt, "UseBt");
    UseBt->setEnabled(false);
    UseBt->setToolTip(tr("Sets the Protocol window to the line's settings and fills the "
                         "Monitor's and the Recorder's addresses; nothing is sent"));
    CloseBt = new QPushButton(tr("Close"), this);
    named(CloseBt, "CloseBt");
    auto* end = new QHBoxLayout;
    end->addStretch(1);
    end->addWidget(UseBt);
    end->addWidget(CloseBt);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(choices);
    layout->addLayout(run);
    layout->addWidget(TryingLB);
    layout->addWidget(FoundGrid, 1);
    layout->addWidget(NoiseLB);
    layout->addLayout(end);
    resize(sizeHint());

    connect(FindBt, &QPushButton::clicked, this, GuardedSlot(this, &ScanForm::FindBtClick));
    connect(CancelBt, &QPushButton::clicked, this, GuardedSlot(this, &ScanForm::CancelBtClick));
    connect(UseBt, &QPushButton::clicked, this, GuardedSlot(this, &ScanForm::UseBtClick));
    connect(CloseBt, &QPushButton::clicked, this, &QWidget::close);
    connect(runner_.get(), &scan::ScanRunner::progress, this, &ScanForm::ShowProgress);
    connect(runner_.get(), &scan::ScanRunner::found, this, &ScanForm::AddFinding);
    connect(runner_.get(), &scan::ScanRunner::noise, this, &ScanForm::AddNoise);
    connect(runner_.get(), &scan::ScanRunner::finished, this, &ScanForm::Finished);
}

ScanForm::~ScanForm() = default;

QSize ScanForm::sizeHint() const {
    const int em = fontMetrics().averageCharWidth();
    return QWidget::sizeHint().expandedTo(QSize(96 * em, 64 * fontMetrics().height() / 2));
}

void ScanForm::SetStart(int com, const LineSettings& settings) {
    if (runner_->Running()) return;
    ComBox->setCurrentIndex(std::clamp(com, 1, ComBox->count()) - 1);
    first_ = settings;
}

std::optional<scan::ScanChoices> ScanForm::Choices() {
    scan::ScanChoices choices;
    QString error;
    const auto addresses = scan::ParseAddressList(AddressEdit->text(), &error);
    const auto refuse = [this](const QString& text) {
        Dialogs::Current().Message(this, tr("Warning"), text);
        return std::nullopt;
    };
    if (!addresses)
        return refuse(tr("'%1' is not a list of addresses from 1 to 247, as 1-32,40")
                          .arg(Excerpt(AddressEdit->text())));
    choices.addresses = *addresses;
    if (AsciiBox->isChecked()) choices.framings.push_back(Framing::Ascii);
    if (RtuBox->isChecked()) choices.framings.push_back(Framing::Rtu);
    for (std::size_t i = 0; i < SpeedBoxes.size(); ++i)
        if (SpeedBoxes[i]->isChecked()) choices.speeds.push_back(OfferedBauds[i]);
    if (choices.framings.empty() || choices.speeds.empty())
        return refuse(tr("Choose at least one framing and one speed."));
    for (const QString& item : FormatEdit->text().split(u',', Qt::SkipEmptyParts)) {
        const auto format = ParseLineFormat(item.trimmed());
        if (!format)
            return refuse(tr("'%1' is not data bits (7 or 8), parity (N, E or O) and stop bits "
                             "(1 or 2), as 8E1")
                              .arg(Excerpt(item.trimmed())));
        choices.formats.push_back(*format);
    }
    if (scan::OrderedSettings(choices).empty())
        return refuse(tr("RTU needs a format with 8 data bits."));
    choices.allSettings = AllSettingsBox->isChecked();
    choices.first = first_;
    return choices;
}

void ScanForm::FindBtClick() {
    if (runner_->Running()) return;
    const auto choices = Choices();
    if (!choices) return;
    FoundGrid->setRowCount(0);
    noise_.clear();
    NoiseLB->clear();
    ScanGauge->setValue(0);
    UseBt->setEnabled(false);
    scannedCom_ = ComBox->currentData().toInt();
    try {
        runner_->Start(scannedCom_, *choices);
    } catch (const Error& e) {
        // The line held by another tool, or a device that is not there: the usual reason.
        Dialogs::Current().Message(this, tr("Warning"), e.text());
        return;
    }
    if (!runner_->Running()) return; // ended at once (nothing to try)
    EnableChoices(false);
}

void ScanForm::CancelBtClick() {
    runner_->Cancel();
}

void ScanForm::UseBtClick() {
    const auto chosen = Chosen();
    if (!chosen) return;
    emit useSettings(scannedCom_, chosen->first, chosen->second);
}

void ScanForm::closeEvent(QCloseEvent* event) {
    // Closing stops the scan: the line is left as it was.
    runner_->Cancel();
    QWidget::closeEvent(event);
}

void ScanForm::ShowProgress(const scan::ScanProgress& p) {
    ScanGauge->setValue(p.percent);
    TryingLB->setText(tr("Trying address %1 at %2 %3 %4; at most %5 left")
                          .arg(p.trying.address)
                          .arg(FramingText(p.trying.settings))
                          .arg(p.trying.settings.baud)
                          .arg(LineFormatText(p.trying.settings), TimeText(p.leftMs)));
}

void ScanForm::AddFinding(const scan::Finding& f) {
    const int row = FoundGrid->rowCount();
    FoundGrid->insertRow(row);
    const bool vrx = f.kind == scan::DeviceKind::Vrx;
    const QString pv = !vrx   ? QString()
                       : f.pv ? QString::number(*f.pv, 'f', 1) + QStringLiteral(" °C")
                              : tr("no value");
    const QString device = vrx ? tr("VRX controller") : tr("a Modbus device, not a VRX controller");
    const QStringList cells{QString::number(f.address),
                            FramingText(f.settings),
                            QString::number(f.settings.baud),
                            LineFormatText(f.settings),
                            device,
                            pv,
                            vrx ? f.firmware : QString()};
    for (int c = 0; c < ColumnCount; ++c) {
        auto* item = new QTableWidgetItem(cells[c]);
        item->setData(Qt::UserRole, int(runner_->Findings().size()) - 1);
        FoundGrid->setItem(row, c, item);
    }
}

void ScanForm::AddNoise(const LineSettings& s) {
    noise_ << tr("Something at %1 %2, other settings").arg(FramingText(s)).arg(s.baud);
    NoiseLB->setText(noise_.join(u'\n'));
}

void ScanForm::Finished(scan::ScanEnd end, const QString& reason) {
    EnableChoices(true);
    switch (end) {
    case scan::ScanEnd::Completed:
        ScanGauge->setValue(100);
        TryingLB->setText(runner_->Findings().empty() ? tr("Nothing answered.")
                                                      : tr("Found %n device(s).", nullptr,
                                                           int(runner_->Findings().size())));
        break;
    case scan::ScanEnd::Cancelled:
        TryingLB->setText(tr("Cancelled; the line is as it was."));
        break;
    case scan::ScanEnd::LineLost:
        TryingLB->setText(tr("Stopped: %1").arg(reason));
        break;
    }
    UseBt->setEnabled(Chosen().has_value());
    if (FoundGrid->rowCount() > 0 && FoundGrid->selectedItems().isEmpty()) FoundGrid->selectRow(0);
}

void ScanForm::EnableChoices(bool enabled) {
    for (QWidget* w : std::initializer_list<QWidget*>{ComBox, AddressEdit, AsciiBox, RtuBox,
                                                      FormatEdit, AllSettingsBox, FindBt})
        w->setEnabled(enabled);
    for (QCheckBox* box : SpeedBoxes)
        box->setEnabled(enabled);
    CancelBt->setEnabled(!enabled);
}

std::optional<std::pair<LineSettings, std::vector<int>>> ScanForm::Chosen() const {
    const std::vector<scan::Finding>& found = runner_->Findings();
    std::optional<LineSettings> settings;
    const QList<QTableWidgetItem*> selected = FoundGrid->selectedItems();
    if (!selected.isEmpty()) {
        const int i = selected.front()->data(Qt::UserRole).toInt();
        if (i >= 0 && i < int(found.size())) settings = found[std::size_t(i)].settings;
    }
    if (!settings) {
        const auto vrx = std::find_if(found.begin(), found.end(), [](const scan::Finding& f) {
            return f.kind == scan::DeviceKind::Vrx;
        });
        if (vrx == found.end()) return std::nullopt;
        settings = vrx->settings;
    }
    std::vector<int> addresses;
    for (const scan::Finding& f : found)
        if (f.kind == scan::DeviceKind::Vrx && f.settings == *settings)
            addresses.push_back(f.address);
    if (addresses.empty()) return std::nullopt;
    return std::make_pair(*settings, addresses);
}

} // namespace vrx
