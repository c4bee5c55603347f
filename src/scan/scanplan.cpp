// The order of a scan's tries and their time-outs.
#include "scanplan.h"

#include <QStringList>

#include <algorithm>
#include <iterator>
#include <tuple>

namespace vrx::scan {

namespace {

// Lower is more common. Speeds: the Protocol window's default, then the faster ones that newer
// installations use, then the slow ones.
int SpeedRank(qint32 baud) {
    switch (baud) {
    case 9600:
        return 0;
    case 19200:
        return 1;
    case 38400:
        return 2;
    case 4800:
        return 3;
    case 2400:
        return 4;
    default:
        return 5;
    }
}

int FormatRank(Framing framing, int dataBits, Parity parity) {
    // ASCII is 7 bits with even parity by its own rule, and 8N1 where a line is shared with
    // RTU habits; RTU is 8N1 in practice and 8E1 by its rule.
    if (framing == Framing::Ascii) {
        if (dataBits == 7) return parity == Parity::Even ? 0 : parity == Parity::Odd ? 2 : 4;
        return parity == Parity::None ? 1 : parity == Parity::Even ? 3 : 5;
    }
    return parity == Parity::None ? 0 : parity == Parity::Even ? 1 : 2;
}

LineSettings Setting(Framing framing, qint32 baud, const LineFormat& format) {
    LineSettings s;
    s.framing = framing;
    s.baud = baud;
    s.dataBits = format.dataBits;
    s.parity = format.parity;
    s.stopBits = format.stopBits;
    return s;
}

bool SameSpeed(const LineSettings& a, const LineSettings& b) {
    return a.framing == b.framing && a.baud == b.baud;
}

void MoveToFront(std::vector<LineSettings>& settings, const LineSettings& wanted) {
    const auto found = std::find(settings.begin(), settings.end(), wanted);
    if (found != settings.end()) std::rotate(settings.begin(), found, found + 1);
}

} // namespace

std::vector<LineFormat> DefaultFormats(Framing framing) {
    std::vector<LineFormat> formats;
    for (const int bits : {7, 8}) {
        if (framing == Framing::Rtu && bits == 7) continue;
        for (const Parity parity : {Parity::Even, Parity::None, Parity::Odd})
            formats.push_back({bits, parity, 1});
    }
    return formats;
}

std::vector<LineSettings> OrderedSettings(const ScanChoices& choices) {
    const std::vector<Framing> framings = choices.framings.empty()
                                              ? std::vector<Framing>{Framing::Ascii, Framing::Rtu}
                                              : choices.framings;
    const std::vector<qint32> speeds =
        choices.speeds.empty()
            ? std::vector<qint32>(std::begin(OfferedBauds), std::end(OfferedBauds))
            : choices.speeds;
    std::vector<LineSettings> settings;
    for (const Framing framing : framings) {
        std::vector<LineFormat> formats = choices.formats;
        if (formats.empty()) {
            formats = DefaultFormats(framing);
            const qsizetype oneStop = qsizetype(formats.size());
            for (qsizetype i = 0; i < oneStop; ++i)
                formats.push_back({formats[i].dataBits, formats[i].parity, 2});
        }
        for (const qint32 baud : speeds)
            for (const LineFormat& format : formats)
                if (framing == Framing::Ascii || format.dataBits == 8)
                    settings.push_back(Setting(framing, baud, format));
    }
    const auto key = [](const LineSettings& s) {
        const int speed = SpeedRank(s.baud);
        return std::make_tuple(s.stopBits, speed + FormatRank(s.framing, s.dataBits, s.parity),
                               speed, int(s.framing));
    };
    std::stable_sort(
        settings.begin(), settings.end(),
        [&key](const LineSettings& a, const LineSettings& b) { return key(a) < key(b); });
    MoveToFront(settings, LineSettings{}); // the Protocol window's initial settings
    if (choices.first) MoveToFront(settings, *choices.first);
    return settings;
}

int CharacterBits(const LineSettings& settings) {
    return 1 + settings.dataBits + (settings.parity == Parity::None ? 0 : 1) + settings.stopBits;
}

int ExchangeCharacters(Framing framing) {
    // Reading one register. ASCII: ":" address function register count LRC CR LF is 17
    // characters, the reply ":" address function byte-count word LRC CR LF 15. RTU: 8 and 7.
    return framing == Framing::Ascii ? 17 + 15 : 8 + 7;
}

qint64 TryTimeoutMicros(const LineSettings& settings) {
    const qint64 bits = qint64(ExchangeCharacters(settings.framing)) * CharacterBits(settings);
    return (bits * 1000000 + settings.baud - 1) / std::max<qint32>(settings.baud, 1) +
           qint64(ScanMarginMs) * 1000;
}

ScanPlan::ScanPlan(const ScanChoices& choices) : allSettings_(choices.allSettings) {
    std::vector<int> addresses = choices.addresses;
    if (addresses.empty())
        for (int a = FirstAddress; a <= LastAddress; ++a)
            addresses.push_back(a);
    std::deque<int> common, rest;
    for (const int a : addresses)
        (a <= CommonAddressesEnd ? common : rest).push_back(a);
    const std::vector<LineSettings> settings = OrderedSettings(choices);
    for (const std::deque<int>* part : {&common, &rest}) {
        if (part->empty()) continue;
        for (const LineSettings& s : settings)
            batches_.push_back({s, *part});
    }
}

std::optional<ScanTry> ScanPlan::Next() {
    while (!batches_.empty() && batches_.front().addresses.empty())
        batches_.pop_front();
    if (batches_.empty()) return std::nullopt;
    Batch& batch = batches_.front();
    const ScanTry next{batch.settings, batch.addresses.front()};
    batch.addresses.pop_front();
    if (batch.addresses.empty()) batches_.pop_front();
    return next;
}

void ScanPlan::Report(const ScanTry& done, TryOutcome outcome) {
    switch (outcome) {
    case TryOutcome::Silent:
        return;
    case TryOutcome::Garbage:
        BringForward(done);
        return;
    case TryOutcome::Device:
        if (std::find(answering_.begin(), answering_.end(), done.settings) == answering_.end())
            answering_.push_back(done.settings);
        if (!allSettings_) Narrow(done.settings);
        return;
    }
}

void ScanPlan::Narrow(const LineSettings& settings) {
    // A line runs at one setting: the rest of the range at this one, and nothing else.
    std::erase_if(batches_, [&settings](const Batch& b) { return !(b.settings == settings); });
}

void ScanPlan::BringForward(const ScanTry& noisy) {
    // Something is at this speed and does not speak this format: the address that drew the
    // bytes at each other format next, then the rest of their addresses. Once per speed: a noisy
    // line would otherwise shuffle the order at every try.
    if (!hinted_.insert({int(noisy.settings.framing), noisy.settings.baud}).second) return;
    std::deque<Batch> singles, forward, others, later;
    std::vector<LineSettings> seen;
    for (Batch& batch : batches_) {
        if (!SameSpeed(batch.settings, noisy.settings) || batch.settings == noisy.settings) {
            others.push_back(std::move(batch));
            continue;
        }
        const bool first = std::find(seen.begin(), seen.end(), batch.settings) == seen.end();
        if (!first) {
            // Its later addresses keep their place after everything else.
            later.push_back(std::move(batch));
            continue;
        }
        seen.push_back(batch.settings);
        const auto at = std::find(batch.addresses.begin(), batch.addresses.end(), noisy.address);
        if (at != batch.addresses.end()) {
            singles.push_back({batch.settings, {noisy.address}});
            batch.addresses.erase(at);
        }
        forward.push_back(std::move(batch));
    }
    std::deque<Batch> ordered;
    for (std::deque<Batch>* part : {&singles, &forward, &others, &later})
        for (Batch& batch : *part)
            ordered.push_back(std::move(batch));
    batches_ = std::move(ordered);
}

qint64 ScanPlan::LeftMicros() const {
    qint64 left = 0;
    for (const Batch& batch : batches_)
        left += qint64(batch.addresses.size()) * TryTimeoutMicros(batch.settings);
    return left;
}

std::optional<std::vector<int>> ParseAddressList(const QString& text, QString* error) {
    std::set<int> addresses;
    const auto number = [](QStringView part) -> std::optional<int> {
        // Digits only, and few: "+5", " 5", "0x5" and 20-digit numbers are not addresses.
        if (part.isEmpty() || part.size() > 3) return std::nullopt;
        for (const QChar c : part)
            if (c < u'0' || c > u'9') return std::nullopt;
        const int value = part.toInt();
        if (value < FirstAddress || value > LastAddress) return std::nullopt;
        return value;
    };
    const auto excerpt = [](QStringView part) {
        QString shown;
        for (const QChar c : part.left(20))
            shown += c.isPrint() ? c : QChar(u'?');
        return part.size() > 20 ? shown + QStringLiteral("...") : shown;
    };
    for (const QStringView part : QStringView(text).split(u',')) {
        const QStringView item = part.trimmed();
        const qsizetype dash = item.indexOf(u'-');
        const auto low = number(dash < 0 ? item : item.left(dash).trimmed());
        const auto high = dash < 0 ? low : number(item.mid(dash + 1).trimmed());
        if (!low || !high || *high < *low) {
            *error = QStringLiteral("'%1' is not an address or a range of addresses from %2 to %3")
                         .arg(excerpt(item))
                         .arg(FirstAddress)
                         .arg(LastAddress);
            return std::nullopt;
        }
        for (int a = *low; a <= *high; ++a)
            addresses.insert(a);
    }
    return std::vector<int>(addresses.begin(), addresses.end());
}

QString AddressListText(const std::vector<int>& addresses) {
    QStringList parts;
    for (std::size_t i = 0; i < addresses.size();) {
        std::size_t j = i;
        while (j + 1 < addresses.size() && addresses[j + 1] == addresses[j] + 1)
            ++j;
        parts << (j == i ? QString::number(addresses[i])
                         : QStringLiteral("%1-%2").arg(addresses[i]).arg(addresses[j]));
        i = j + 1;
    }
    return parts.join(u',');
}

} // namespace vrx::scan
