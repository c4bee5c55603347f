// The record file: its text format, the writer that keeps every finished line on disk, and the
// reader that takes fixed-length lines at byte offsets without ever loading a whole file.
#pragma once

#include "samplestore.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTime>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class QFileDevice;
class QIODevice;

namespace vrx {

inline constexpr int HeaderLength = 34;
inline constexpr int FieldLength = 16;
inline constexpr int TimeStampWidth = 14;
inline constexpr char EndLineText[] = "End";
// The file dialogs' filter.
inline constexpr char RecordFileFilter[] =
    QT_TRANSLATE_NOOP("vrx::TextFile", "Text files (*.txt *.TXT)");

// The header: the address of every position and the sample interval in seconds.
struct RecordHeader {
    Addresses addresses{};
    int interval = 1;
    int StationCount() const;
    friend bool operator==(const RecordHeader&, const RecordHeader&) = default;
};

// Writing.

// "01  02  00  00  00  00  00  00  05": each address as two hex digits and two spaces, then the
// interval.
QByteArray HeaderLine(const Addresses& addresses, int seconds);
// The fixed US-English long time: hour 1-12 without a leading zero, "3:04:05 PM".
QByteArray UsTimeText(QTime time);
// The time right-aligned in 14 characters, as it ends a data line.
QByteArray TimeStamp(QTime time);
// One 16-character field: position digit, space, PV and SV each followed by a space and padded
// to 7 characters.
QByteArray RecordField(int position, qint32 pv, qint32 sv);
// The field of a position listed in the header that gave no value in this cycle (dropped):
// same width, "---" for both values, so lines keep their length and the viewer leaves a gap.
QByteArray MissingField(int position);
inline constexpr char MissingValueText[] = "---";
// A whole data line (without CR LF): a field for every position the header lists, in order,
// then the time stamp.
QByteArray DataLine(const Addresses& headerAddresses, const Readings& readings, QTime at);

// Reading.

// The header line without its line end; nothing when it is not 34 characters of 0-9, A-F and
// space, or names no device. The interval is brought into 1 .. 120.
std::optional<RecordHeader> ParseHeader(QByteArrayView line);

// The process value of each of `stationCount` fields (MissingSample for "---"); nothing when a
// field is malformed, a value is not a decimal integer of 16 bits, or the line is too short.
std::optional<std::array<qint32, DevicePositions>> ParseFields(QByteArrayView line,
                                                               int stationCount);
// The process and set value of each of `stationCount` fields, as ParseFields reads the first.
struct FieldValues {
    qint32 pv = MissingSample;
    qint32 sv = MissingSample;
};
std::optional<std::array<FieldValues, DevicePositions>> ParseFieldValues(QByteArrayView line,
                                                                         int stationCount);
// A time of day as "h:mm:ss AM", "h:mm:ss PM" or 24-hour "H:mm:ss"; nothing when it is not one.
std::optional<QTime> ParseTimeOfDay(QByteArrayView text);

// Where the data lines of a file lie.
struct RecordLayout {
    RecordHeader header;
    qint64 dataOffset = 0; // byte where data line 0 begins (36 for a header ending in CR LF)
    qint64 lineLength = 0; // bytes per data line including its line end
    qint64 recordCount = 0;
};

// The outcome of reading points into a SampleStore.
struct BlockRead {
    bool broken = false;
    int points = 0;                 // points read into columns 0 .. points-1
    bool atEnd = false;             // the end of the record stopped it, not the count
    std::optional<QTime> startTime; // the time stamp of the first point's line
};

// Reads up to 6000 points from record `firstRecord` on, every `thinning`-th record, into the
// rows of the header's positions (point k = record firstRecord + k x thinning). The end line,
// the end of the file, or a short last line (one being written when a recording was cut off)
// end the block; a line that fails to parse, or is not of the layout's length, breaks it.
BlockRead ReadRecordBlock(QIODevice& device, const RecordLayout& layout, qint64 firstRecord,
                          int thinning, SampleStore& samples, int maxPoints = BlockPoints);
// Points `firstPoint` .. `firstPoint + count - 1` of that block alone, into their columns, as
// the whole block's read takes them; `points` is then one past the last point read (firstPoint
// when none was), and the start time is only read with point 0.
BlockRead ReadRecordPoints(QIODevice& device, const RecordLayout& layout, qint64 firstRecord,
                           int thinning, SampleStore& samples, int firstPoint, int count);

// One data line taken on its own: the process value of each position (MissingSample where the
// position is not used or gave none) and the line's time stamp.
struct RecordLine {
    std::array<qint32, DevicePositions> pv{};
    std::optional<QTime> time;
};
// A data line without its line end; nothing when it fails to parse.
std::optional<RecordLine> ParseRecordLine(QByteArrayView line, const RecordHeader& header);
// Data line `record` of a file; nothing past the record's end or when the line fails.
std::optional<RecordLine> ReadRecordLine(QIODevice& device, const RecordLayout& layout,
                                         qint64 record);

struct RecordLoad {
    bool broken = true;
    // Why the file could not be read at all (not a plain file, no rights), naming it; empty
    // when it was read and its content is what failed.
    QString problem;
    RecordLayout layout;
    BlockRead first; // the first block, records 0 .. 5999 at most
};

// The first reading of a file: header, line length, record count from the file size, and the
// first `maxPoints` lines. Broken when the header fails, no data line precedes the end, or a
// line fails.
RecordLoad LoadRecord(QIODevice& device, SampleStore& samples, int maxPoints = BlockPoints);

// The same on a file by name, opened and closed within the call. Only a plain file is opened:
// a pipe would hold the window up in open(), a device would never end.
RecordLoad LoadRecordFile(const QString& path, SampleStore& samples, int maxPoints = BlockPoints);
BlockRead ReadRecordBlock(const QString& path, const RecordLayout& layout, qint64 firstRecord,
                          int thinning, SampleStore& samples);
BlockRead ReadRecordPoints(const QString& path, const RecordLayout& layout, qint64 firstRecord,
                           int thinning, SampleStore& samples, int firstPoint, int count);

// Writes one recording: the header when created, each data line the moment its cycle
// completes (flushed and synced, so a crash or power loss costs at most the line in
// assembly), and "End" when it ends. Every failure returns false with ErrorText() set; the
// file is then closed and stays as far as it was written.
class RecordWriter {
public:
    // How a file is opened for writing; tests may put a failing device in its place.
    using Opener =
        std::function<std::unique_ptr<QIODevice>(const QString& path, bool append, QString* error)>;

    RecordWriter();
    ~RecordWriter();
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;

    void SetOpener(Opener opener) { opener_ = std::move(opener); }

    // Creates the file anew (an existing one is emptied) and writes the header.
    bool Create(const QString& path, const Addresses& addresses, int seconds);
    // Goes on with the recording in `path` when it holds one of these addresses and interval
    // (a line cut off and its end line are taken away first), or creates it when it is missing
    // or empty. False, with Mismatch() true, when it holds another recording; it is left alone.
    bool Continue(const QString& path, const Addresses& addresses, int seconds);
    bool Mismatch() const { return mismatch_; }
    // One data line; CR LF is added. A file no longer at its path (removed with its folder,
    // moved away) would swallow every line unseen: it is made again there first, folder and
    // header, as Continue does; TakeReopened() then says so, once.
    bool WriteLine(const QByteArray& line);
    bool TakeReopened() { return std::exchange(reopened_, false); }
    // Writes "End" and closes.
    bool End();
    // Closes without the end line (after a failure).
    void Abandon();

    bool IsOpen() const { return device_ != nullptr; }
    const QString& Path() const { return path_; }
    const Addresses& HeaderAddresses() const { return addresses_; }
    const QString& ErrorText() const { return error_; }

private:
    bool Put(const QByteArray& bytes);
    bool Reopen();

    Opener opener_;
    std::unique_ptr<QIODevice> device_;
    QString path_;
    Addresses addresses_{};
    int seconds_ = 1;
    QString error_;
    bool mismatch_ = false;
    bool reopened_ = false;
};

} // namespace vrx
