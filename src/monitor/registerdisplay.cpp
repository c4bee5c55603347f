// Register words into the texts, lamps and box values of the Monitor window. The settings blocks
// fill the parameter boxes through the boxes' own table: a box shows the word of its register.
#include "registerdisplay.h"

#include "framecodec.h"
#include "parameterboxes.h"
#include "pollplan.h"
#include "registers.h"

#include <QCoreApplication>

namespace vrx {

QString FormatProcessValue(int value, int decimalPoint, int inputType) {
    const int word = value & 0xFFFF;
    // 0x8000 itself counts as positive: the sign starts above it.
    const bool negative = word > 0x8000;
    const int magnitude = negative ? 0x10000 - word : word;
    const QString prefix = negative ? QStringLiteral(" -") : QStringLiteral("  ");
    int whole = magnitude / 10;
    const int tenth = magnitude % 10;
    if (decimalPoint == 0) {
        if (inputType < FirstLinearInput) {
            if (tenth >= 5) ++whole; // temperatures round to whole degrees
        } else {
            whole = magnitude; // linear inputs hold whole units already
        }
    }
    const QString digits = QString::number(whole) + u'.' + QString::number(tenth);
    QString text;
    if (whole >= 1000) {
        // No room for padding; the sign still belongs to the value.
        text = negative ? u'-' + digits : digits;
    } else if (whole >= 100) {
        text = (negative ? u'-' : u' ') + digits;
    } else if (whole >= 10) {
        text = prefix + u' ' + digits;
    } else if (whole >= 1) {
        text = prefix + QStringLiteral("   ") + digits;
    } else {
        text = prefix + QStringLiteral("   0.") + QString::number(tenth);
    }
    if (decimalPoint == 0) text = QStringLiteral("   ") + text.chopped(2);
    return text;
}

QString StatusText(int value) {
    switch (value & 0x0F) {
    case 1:
    case 2:
        return QCoreApplication::translate("vrx::RegisterDisplay", " Waiting...");
    case 3:
        return QCoreApplication::translate("vrx::RegisterDisplay", " No Connect");
    case 4:
    case 6:
        return QCoreApplication::translate("vrx::RegisterDisplay", " Input Error");
    case 5:
        return QCoreApplication::translate("vrx::RegisterDisplay", " Over Range");
    case 7:
        return QCoreApplication::translate("vrx::RegisterDisplay", " Memory bad");
    default:
        return {};
    }
}

LampRow LampsOf(int lampWord) {
    struct Bit {
        Lamp lamp;
        int mask;
        LampColour on;
    };
    static constexpr Bit bits[] = {
        {Lamp::At, 0x80, LampColour::Lime},     {Lamp::Out1, 0x40, LampColour::Lime},
        {Lamp::Out2, 0x20, LampColour::Lime},   {Lamp::Alarm1, 0x10, LampColour::Red},
        {Lamp::DegF, 0x08, LampColour::Yellow}, {Lamp::DegC, 0x04, LampColour::Yellow},
        {Lamp::Alarm2, 0x02, LampColour::Red},  {Lamp::Alarm3, 0x01, LampColour::Red},
    };
    LampRow row{};
    for (const Bit& bit : bits)
        row[std::size_t(bit.lamp)] = (lampWord & bit.mask) ? bit.on : LampColour::Grey;
    return row;
}

namespace {

QString TwoDigits(int value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

} // namespace

QString ProgramStatusText(const ReplyWordArray& w, int setValue, int decimalPoint, int inputType) {
    switch (w[0]) {
    case 0: // pattern and step
        return u' ' + QString::number(w[4]) + QStringLiteral(" - 0") + QString::number(w[3]);
    case 1:
        return FormatProcessValue(setValue, decimalPoint, inputType);
    case 2: { // time left: hours from the minutes word, minutes and seconds from the seconds word
        const int hours = w[2] / 60;
        const int minutes = (w[1] % 3600) / 60;
        const int seconds = w[1] % 60;
        return QString::number(hours) + u':' + TwoDigits(minutes) + u':' + TwoDigits(seconds);
    }
    default:
        return {};
    }
}

QString CoeffText(int value) {
    return QString::number(value / 100) + u'.' + TwoDigits(value % 100);
}

QString IntegralOffsetText(int value) {
    return QString::number(value / 10) + u'.' + QString::number(value % 10);
}

QString FirmwareCaption(const QString& designCaption, int firmwareWord) {
    return designCaption + u' ' + QString::number((firmwareWord >> 8) & 0xFF) + u'.' +
           QString::fromLatin1(ByteToHex(firmwareWord));
}

ControlGroups ControlGroupsFor(int controlMethod) {
    switch (controlMethod) {
    case 0: // PID
        return {true, false, false, true, false, true};
    case 1: // ON-OFF
        return {false, true, false, true, false, false};
    case 2: // Manual
        return {false, false, true, true, false, false};
    case 3: // Ramp Soak: PID control, the program's display in the set value's place
        return {true, false, false, false, true, true};
    default:
        return {};
    }
}

bool ControlGroupsMatch(int controlMethod, const ControlGroups& shown) {
    switch (controlMethod) {
    case 0:
        return shown.pid && shown.setValue;
    case 1:
        return shown.onOff;
    case 2:
        return shown.manual;
    case 3:
        return shown.pid && shown.programDisplay;
    default:
        return true; // an unknown method switches nothing
    }
}

namespace {

QString TextOf(TextFormat format, int word, bool pointShown) {
    switch (format) {
    case TextFormat::PointTenths:
        return TenthsToText(word, pointShown);
    case TextFormat::Tenths:
        return TenthsToText(word, true);
    case TextFormat::UnsignedTenths:
        return IntegralOffsetText(word);
    case TextFormat::Hundredths:
        return CoeffText(word);
    case TextFormat::Whole:
        return QString::number(word & 0xFFFF);
    case TextFormat::Signed:
        return WordToSignedText(word);
    }
    return {};
}

int ItemOf(ItemFormat format, int word) {
    switch (format) {
    case ItemFormat::Index:
        return word;
    case ItemFormat::LowBit:
        return word & 1;
    case ItemFormat::LockKey:
        return LockStatusItem(word);
    case ItemFormat::RunStop:
        return RunStopItem(word);
    }
    return word;
}

// Every box that shows register `r`, filled from its word.
void ShowRegister(SettingsBlock& b, int r, int word, bool pointShown) {
    for (const EditBoxInfo& box : EditBoxes())
        if (box.reg == r)
            b.values.append(BoxValue::Text(box.name, TextOf(box.format, word, pointShown)));
    for (const ComboBoxInfo& box : ComboBoxes())
        if (ShownRegister(box) == r)
            b.values.append(BoxValue::Item(box.name, ItemOf(box.format, word)));
}

// The words that switch other controls besides filling their boxes.
void NoteSwitch(SettingsBlock& b, int r, int word) {
    switch (r) {
    case reg::IntegralTime:
        b.integralShown = word != 0; // without integral action the PD offset applies
        break;
    case reg::CommWriteSetting:
        b.commWrite = (word & 1) != 0;
        break;
    case reg::InputType:
        b.inputType = word;
        break;
    case reg::ControlMethod:
        b.controlMethod = word;
        break;
    case reg::HeatCool:
        b.heatCool = word;
        break;
    default:
        break;
    }
}

} // namespace

SettingsBlock DecodeSettingsBlock(int phase, const ReplyWordArray& w, const SettingsContext& c) {
    SettingsBlock b;
    if (phase < FirstSettingsPhase || phase > LastSettingsPhase) return b;
    // Ranges, limits and dead band follow the controller's decimal point; the fields that the
    // controller always shows with one decimal do so here too.
    const bool pointShown = c.decimalPoint == 1;
    if (phase == FirstSettingsPhase) {
        // The settings read opens with the boxes of the words the station's poll has read
        // already. While a program runs SetV is left alone: ProgDisp stands in its place.
        if (!c.programRunning) ShowRegister(b, reg::SetValue, c.setValue & 0xFFFF, pointShown);
        ShowRegister(b, reg::Output1, c.output1, pointShown);
        ShowRegister(b, reg::Output2, c.output2, pointShown);
        ShowRegister(b, reg::DecimalPoint, c.decimalPoint, pointShown);
        b.firmwareCaption = FirmwareCaption(c.firmwareDesignCaption, c.firmwareWord);
    }
    const ReadBlock block = *PhaseBlock(phase);
    for (int k = 0; k < block.count && k < int(w.size()); ++k) {
        ShowRegister(b, block.first + k, w[std::size_t(k)], pointShown);
        NoteSwitch(b, block.first + k, w[std::size_t(k)]);
    }
    return b;
}

} // namespace vrx
