// Parsing of the simulated line's options.
#include "simoptions.h"

#include <QStringList>

#include <cmath>
#include <map>

namespace vrx::sim {

namespace {

std::optional<int> ToInt(const QString& text, int min, int max) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < min || value > max) return std::nullopt;
    return value;
}

bool ParseAddresses(const QString& text, std::vector<int>* addresses) {
    addresses->clear();
    for (const QString& item : text.split(',', Qt::SkipEmptyParts)) {
        const QStringList range = item.split('-');
        const auto first = ToInt(range.front(), 1, 255);
        const auto last = range.size() == 2 ? ToInt(range.back(), 1, 255) : first;
        if (range.size() > 2 || !first || !last || *last < *first) return false;
        for (int a = *first; a <= *last; ++a)
            if (std::find(addresses->begin(), addresses->end(), a) == addresses->end())
                addresses->push_back(a);
    }
    return !addresses->empty() && addresses->size() <= 8;
}

std::optional<LineFormat> ParseFormat(const QString& text) {
    const QString f = text.trimmed().toUpper();
    if (f.size() != 3) return std::nullopt;
    LineFormat format{f[0].digitValue(), char(f[1].toLatin1()), f[2].digitValue()};
    if ((format.dataBits != 7 && format.dataBits != 8) || !QString("NEO").contains(f[1]) ||
        (format.stopBits != 1 && format.stopBits != 2))
        return std::nullopt;
    return format;
}

const std::map<QString, FaultKind>& FaultNames() {
    static const std::map<QString, FaultKind> names = {
        {"noanswer", FaultKind::NoAnswer},
        {"badcheck", FaultKind::BadChecksum},
        {"wrongaddress", FaultKind::WrongAddress},
        {"exception", FaultKind::Exception},
        {"split", FaultKind::Split},
        {"delay", FaultKind::Delay},
        {"stray", FaultKind::StrayBytes},
    };
    return names;
}

} // namespace

std::optional<LineOptions> ParseLineOptions(const QString& text, QString* error) {
    LineOptions options;
    bool speedGiven = false;
    Fault parameters; // shared by every fault of the line
    auto fail = [error](const QString& why) {
        if (error) *error = QStringLiteral("simulated line: %1").arg(why);
        return std::nullopt;
    };
    for (const QString& item : text.split(':', Qt::SkipEmptyParts)) {
        const qsizetype eq = item.indexOf('=');
        const QString key = item.left(eq).trimmed().toLower();
        const QString value = eq < 0 ? QString() : item.mid(eq + 1).trimmed();
        if (eq < 0) return fail(QStringLiteral("'%1' is not key=value").arg(item));
        if (key == "addresses") {
            if (!ParseAddresses(value, &options.addresses))
                return fail(QStringLiteral("addresses '%1': 1 to 8 stations of 1-255").arg(value));
        } else if (key == "mode") {
            const QString m = value.toLower();
            if (m == "auto")
                options.mode = FramingMode::Auto;
            else if (m == "ascii")
                options.mode = FramingMode::Ascii;
            else if (m == "rtu")
                options.mode = FramingMode::Rtu;
            else
                return fail(QStringLiteral("mode '%1': auto, ascii or rtu").arg(value));
        } else if (key == "preset") {
            const QString p = value.toLower();
            if (p == "demo")
                options.preset = Preset::Demo;
            else if (p == "factory")
                options.preset = Preset::Factory;
            else
                return fail(QStringLiteral("preset '%1': demo or factory").arg(value));
        } else if (key == "speed") {
            bool ok = false;
            options.speed = value.toDouble(&ok);
            // NaN passes every comparison: finite first, then the range.
            if (!ok || !std::isfinite(options.speed) || options.speed <= 0 || options.speed > 1000)
                return fail(QStringLiteral("speed '%1': above 0, at most 1000").arg(value));
            speedGiven = true;
        } else if (key == "baud") {
            options.baud = ToInt(value, 300, 1000000);
            if (!options.baud) return fail(QStringLiteral("baud '%1'").arg(value));
        } else if (key == "format") {
            options.format = ParseFormat(value);
            if (!options.format)
                return fail(QStringLiteral("format '%1': like 8N1 or 7E1").arg(value));
        } else if (key == "turnaround") {
            const auto ms = ToInt(value, 0, 10000);
            if (!ms) return fail(QStringLiteral("turnaround '%1'").arg(value));
            options.turnaroundMs = *ms;
        } else if (key == "fault") {
            for (const QString& name : value.toLower().split(',', Qt::SkipEmptyParts)) {
                const auto it = FaultNames().find(name.trimmed());
                if (it == FaultNames().end())
                    return fail(QStringLiteral("fault '%1': noanswer, badcheck, wrongaddress, "
                                               "exception, split, delay or stray")
                                    .arg(name));
                options.faults.push_back(Fault{.kind = it->second});
            }
        } else if (key == "faultaddress" || key == "code" || key == "pieces" || key == "gap" ||
                   key == "delay") {
            const auto n = ToInt(value, 0, 60000);
            if (!n) return fail(QStringLiteral("%1 '%2'").arg(key, value));
            if (key == "faultaddress")
                parameters.address = *n;
            else if (key == "code")
                parameters.exceptionCode = *n;
            else if (key == "pieces")
                parameters.pieces = *n;
            else if (key == "gap")
                parameters.gapMs = *n;
            else
                parameters.delayMs = *n;
        } else {
            return fail(QStringLiteral("unknown option '%1'").arg(key));
        }
    }
    for (Fault& fault : options.faults) {
        const FaultKind kind = fault.kind;
        fault = parameters;
        fault.kind = kind;
    }
    if (!speedGiven) options.speed = options.preset == Preset::Demo ? 5.0 : 1.0;
    return options;
}

} // namespace vrx::sim
