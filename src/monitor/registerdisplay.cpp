// Register words into the texts, lamps and box values of the Monitor window.
#include "registerdisplay.h"

#include "framecodec.h"

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
        return QStringLiteral(" Waiting...");
    case 3:
        return QStringLiteral(" No Connect");
    case 4:
    case 6:
        return QStringLiteral(" Input Error");
    case 5:
        return QStringLiteral(" Over Range");
    case 7:
        return QStringLiteral(" Memory bad");
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

QString Tenths(int word, bool oneDecimal) {
    return TenthsToText(word, oneDecimal);
}

QString Whole(int word) {
    return QString::number(word & 0xFFFF);
}

QString Signed(int word) {
    return WordToSignedText(word);
}

} // namespace

SettingsBlock DecodeSettingsBlock(int phase, const ReplyWordArray& w, const SettingsContext& c) {
    SettingsBlock b;
    auto text = [&b](const char* box, QString value) {
        b.values.append(BoxValue::Text(box, std::move(value)));
    };
    auto item = [&b](const char* box, int index) { b.values.append(BoxValue::Item(box, index)); };
    // Ranges, limits and dead band follow the controller's decimal point; the fields that the
    // controller always shows with one decimal do so here too.
    const bool pointShown = c.decimalPoint == 1;
    switch (phase) {
    case 3:
        if (!c.programRunning) text("SetV", Tenths(c.setValue & 0xFFFF, pointShown));
        text("UpLimit", Tenths(w[0], pointShown));
        text("DnLimit", Tenths(w[1], pointShown));
        text("UpLimit1", Tenths(w[2], pointShown));
        text("DnLimit1", Tenths(w[3], pointShown));
        text("UpLimit2", Tenths(w[4], pointShown));
        text("DnLimit2", Tenths(w[5], pointShown));
        text("UpLimit3", Tenths(w[6], pointShown));
        text("DnLimit3", Tenths(w[7], pointShown));
        item("Pointer", c.decimalPoint);
        b.firmwareCaption = FirmwareCaption(c.firmwareDesignCaption, c.firmwareWord);
        text("OUTQ1", Tenths(c.output1, true));
        text("OUTQ2", Tenths(c.output2, true));
        break;
    case 4:
        text("DeadBand1", Tenths(w[6], pointShown));
        text("DeadBand2", Tenths(w[6], pointShown));
        text("KP", Tenths(w[0], true));
        text("KI", Whole(w[1]));
        b.integralShown = w[1] != 0; // without integral action the PD offset applies
        text("KD", Whole(w[2]));
        text("SumOffs", IntegralOffsetText(w[3]));
        text("PDOffs", Whole(w[4]));
        text("Coeff", CoeffText(w[5]));
        break;
    case 5:
        text("Hyst1", Tenths(w[0], true));
        text("Hyst2", Tenths(w[1], true));
        text("CurrHi", Signed(w[2]));
        text("CurrLo", Signed(w[3]));
        item("ComWrite", w[4] & 1);
        b.commWrite = (w[4] & 1) != 0;
        item("InputType", w[5]);
        b.inputType = w[5];
        item("CtrlSet", w[6]);
        b.controlMethod = w[6];
        item("HeatCool", w[7]);
        b.heatCool = w[7];
        break;
    case 6:
        text("HCPeriodPID1", Whole(w[0]));
        text("HCPeriod1", Whole(w[0]));
        text("HCPeriodPID2", Whole(w[1]));
        text("HCPeriod2", Whole(w[1]));
        text("TPOffs", Tenths(w[2], true));
        item("LockStatus", LockStatusItem(w[3]));
        item("SALMode", w[4]);
        break;
    case 7:
        item("ALM1Mode", w[0]);
        item("ALM2Mode", w[1]);
        item("ALM3Mode", w[2]);
        item("RunStop", RunStopItem(w[3]));
        item("DegUnit", w[4]);
        break;
    case 8:
        item("OutputType1", w[0]);
        item("OutputType2", w[1]);
        break;
    case 9:
        text("RTDOfs", Tenths(w[0], true));
        text("RTDGain", Signed(w[1]));
        text("TCOfs", Signed(w[2]));
        text("TCGain", Signed(w[3]));
        text("ColdOfs", Tenths(w[4], true));
        text("mVOfs", Signed(w[5]));
        text("mVGain", Signed(w[6]));
        break;
    default:
        break;
    }
    return b;
}

} // namespace vrx
