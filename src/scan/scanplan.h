// The controller scan's plan: which settings and addresses are tried in which order, how long
// each try may take, and how the order changes with what the line says. Pure logic, no line.
#pragma once

#include "comsettings.h"
#include "linedevice.h"

#include <QString>

#include <deque>
#include <optional>
#include <set>
#include <vector>

namespace vrx::scan {

// The addresses a scan may ask: 0 is broadcast, never asked; above 247 are reserved.
inline constexpr int FirstAddress = 1;
inline constexpr int LastAddress = 247;
// Addresses up to here are tried at every setting before any address beyond them: a line's
// controllers are numbered from 1 almost always.
inline constexpr int CommonAddressesEnd = 16;
// What a try waits beyond the exchange's own line time: the controller's turn-around and the
// machine's, but far below the normal reply time-out.
inline constexpr int ScanMarginMs = 50;

// What the scan is asked to cover. Empty lists mean everything the Protocol window offers.
struct ScanChoices {
    std::vector<int> addresses;    // default FirstAddress..LastAddress
    std::vector<Framing> framings; // default ASCII, RTU
    std::vector<qint32> speeds;    // default OfferedBauds
    std::vector<LineFormat> formats;
    // Go on through every setting instead of stopping after the first one where something
    // answers.
    bool allSettings = false;
    // Tried first: the settings the line is set up for now (the Protocol window's).
    std::optional<LineSettings> first;
};

// One try: one read of one address at one setting.
struct ScanTry {
    LineSettings settings;
    int address = 0;
    friend bool operator==(const ScanTry&, const ScanTry&) = default;
};

// The formats tried when none are given, common ones first: each parity with 7 data bits (ASCII
// only) and 8, one stop bit. A receiver checks only the first stop bit and takes a second for idle
// line, so a controller set to two answers at one on a real line; two stop bits are where they
// matter only to a stricter receiver, and come last (OrderedSettings), or next where a speed drew
// bytes that made no frame (ScanPlan).
std::vector<LineFormat> DefaultFormats(Framing framing);

// The settings of the choices in the order they are tried: `first`, then the Protocol window's
// initial settings, then the common speeds and formats before the rare ones; without formats
// given, the same with two stop bits after all of them. RTU only with 8 data bits.
std::vector<LineSettings> OrderedSettings(const ScanChoices& choices);

// The bits of one character: start, data, parity, stop.
int CharacterBits(const LineSettings& settings);
// The characters of the scan's read of one register, request and reply together.
int ExchangeCharacters(Framing framing);
// How long a try may take: the exchange's line time plus ScanMarginMs, in microseconds.
qint64 TryTimeoutMicros(const LineSettings& settings);

// How a try went, as far as the plan cares.
enum class TryOutcome {
    Silent,  // nothing came
    Garbage, // bytes that make no frame: something is at this speed, at other settings
    Device,  // a Modbus device answered: a VRX controller or another
};

// The tries in order. Next() gives the next one; Report() tells how it went, which may change
// what comes after it: a device found narrows the scan to its setting (unless every setting was
// asked for); bytes that make no frame bring the other formats at that speed forward: the
// address that drew them at each of them first, then their other addresses.
class ScanPlan {
public:
    explicit ScanPlan(const ScanChoices& choices);

    std::optional<ScanTry> Next();
    void Report(const ScanTry& done, TryOutcome outcome);

    bool Done() const { return batches_.empty(); }
    // The time the tries still to come may take at most, in microseconds.
    qint64 LeftMicros() const;
    // The settings where a device answered, in the order found.
    const std::vector<LineSettings>& Answering() const { return answering_; }

private:
    // Addresses still to try at one setting.
    struct Batch {
        LineSettings settings;
        std::deque<int> addresses;
    };
    void Narrow(const LineSettings& settings);
    void BringForward(const ScanTry& noisy);

    bool allSettings_ = false;
    std::deque<Batch> batches_;
    std::vector<LineSettings> answering_;
    std::set<std::pair<int, qint32>> hinted_; // (framing, speed) brought forward already
};

// "1-32,40" as addresses, sorted and without repeats; nothing, with the reason, when the text
// is not such a list of addresses from 1 to 247.
std::optional<std::vector<int>> ParseAddressList(const QString& text, QString* error);
// "1-32,40": the addresses as a short list.
QString AddressListText(const std::vector<int>& addresses);

} // namespace vrx::scan
