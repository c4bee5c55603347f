// The record file's format, its writer and its block reader.
#include "recordfile.h"

#include "framecodec.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <cerrno>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace vrx {

namespace {

constexpr int MaxInterval = 120;
// The longest data line we write is 8 fields and the time stamp; anything far beyond it is not
// a record file, and is never read whole.
constexpr qint64 LineLimit = 1024;
constexpr int ValueTextLimit = 6; // "-32768"

QByteArray PadRight(QByteArray text, int width) {
    if (text.size() < width) text.append(QByteArray(width - text.size(), ' '));
    return text;
}

bool IsHeaderChar(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == ' ';
}

// The line without its CR LF or LF.
QByteArrayView WithoutLineEnd(QByteArrayView line) {
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    return line;
}

bool IsEndLine(QByteArrayView line) {
    return line == QByteArrayView(EndLineText);
}

// A line of at most `limit` bytes with its line end; false when the line runs on past it.
bool ReadBoundedLine(QIODevice& device, qint64 limit, QByteArray& line) {
    line = device.readLine(limit + 1);
    return line.size() <= limit || line.endsWith('\n');
}

std::optional<qint32> ParseValue(QByteArrayView text) {
    if (text.isEmpty() || text.size() > ValueTextLimit) return std::nullopt;
    if (text == QByteArrayView(MissingValueText)) return MissingSample;
    const bool negative = text.front() == '-';
    if (negative) text = text.sliced(1);
    if (text.isEmpty()) return std::nullopt;
    qint32 value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < -32768 || value > 32767) return std::nullopt;
    return value;
}

void SyncToDisk(QIODevice& device) {
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (!file || file->handle() < 0) return;
#ifdef Q_OS_WIN
    _commit(file->handle());
#else
    ::fsync(file->handle());
#endif
}

// Whether the open file is still the one at its path. Removed (alone or with its folder) or
// moved away, an open file takes every write without complaint, and nothing reaches the disk
// a reader looks at.
bool StillAtPath(QIODevice& device, const QString& path) {
    auto* file = qobject_cast<QFileDevice*>(&device);
    if (!file || file->handle() < 0) return true;
#ifdef Q_OS_WIN
    // Files are opened without leave to remove them: whether the path is there is all to ask.
    return QFileInfo::exists(path);
#else
    struct stat opened {};
    struct stat named {};
    if (::fstat(file->handle(), &opened) != 0) return true;
    // Only a path that leads nowhere says so; a folder closed to us meanwhile tells nothing.
    if (::stat(QFile::encodeName(path).constData(), &named) != 0)
        return errno != ENOENT && errno != ENOTDIR;
    return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
#endif
}

enum class LineOutcome { End, Broken, Next };

// One data line as point k of the block.
// The time stamp after the fields of a line.
std::optional<QTime> LineTime(QByteArrayView line, int stationCount) {
    QByteArrayView rest = line.sliced(qsizetype(stationCount) * FieldLength);
    while (!rest.isEmpty() && rest.front() == ' ')
        rest = rest.sliced(1);
    return ParseTimeOfDay(rest);
}

LineOutcome ParseDataLine(QByteArrayView line, int k, const RecordHeader& header,
                          SampleStore& samples, BlockRead& block) {
    if (line.isEmpty() || IsEndLine(line)) return LineOutcome::End;
    const int count = header.StationCount();
    const auto values = ParseFields(line, count);
    if (!values) return LineOutcome::Broken;
    int field = 0;
    for (int p = 0; p < DevicePositions; ++p) {
        if (header.addresses[std::size_t(p)] == 0) continue;
        samples.At(p, k) = (*values)[std::size_t(field++)];
    }
    if (k == 0) block.startTime = LineTime(line, count);
    return LineOutcome::Next;
}

// The `length` bytes at `offset`, or as many as the file holds there. A thinned block takes
// hundreds of short lines at offsets far apart, where a system call costs far more than the
// line's parsing: a file is read with one call for each, not a seek and a read.
QByteArrayView ReadAt(QIODevice& device, qint64 offset, qint64 length, QByteArray& buffer) {
    buffer.resize(length);
    qint64 got = -1;
#ifndef Q_OS_WIN
    // Past the device's buffer: only where nothing can be waiting in it to be written.
    if (auto* file = qobject_cast<QFileDevice*>(&device);
        file && file->handle() >= 0 && !(file->openMode() & QIODevice::WriteOnly)) {
        do {
            got = ::pread(file->handle(), buffer.data(), std::size_t(length), off_t(offset));
        } while (got < 0 && errno == EINTR);
        return QByteArrayView(buffer.constData(), qMax<qint64>(0, got));
    }
#endif
    if (device.seek(offset)) got = device.read(buffer.data(), length);
    return QByteArrayView(buffer.constData(), qMax<qint64>(0, got));
}

} // namespace

int RecordHeader::StationCount() const {
    int n = 0;
    for (const int a : addresses)
        n += a != 0;
    return n;
}

QByteArray HeaderLine(const Addresses& addresses, int seconds) {
    QByteArray line;
    line.reserve(HeaderLength);
    for (const int a : addresses)
        line += ByteToHex(a) + "  ";
    line += ByteToHex(seconds);
    return line;
}

QByteArray UsTimeText(QTime time) {
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QByteArray::number(hour) + ':' +
           QByteArray::number(time.minute()).rightJustified(2, '0') + ':' +
           QByteArray::number(time.second()).rightJustified(2, '0') +
           (time.hour() < 12 ? " AM" : " PM");
}

QByteArray TimeStamp(QTime time) {
    return UsTimeText(time).rightJustified(TimeStampWidth, ' ');
}

QByteArray RecordField(int position, qint32 pv, qint32 sv) {
    return QByteArray::number(position) + ' ' + PadRight(QByteArray::number(pv) + ' ', 7) +
           PadRight(QByteArray::number(sv) + ' ', 7);
}

QByteArray MissingField(int position) {
    const QByteArray missing = PadRight(QByteArray(MissingValueText) + ' ', 7);
    return QByteArray::number(position) + ' ' + missing + missing;
}

QByteArray DataLine(const Addresses& headerAddresses, const Readings& readings, QTime at) {
    QByteArray line;
    for (int p = 0; p < DevicePositions; ++p) {
        if (headerAddresses[std::size_t(p)] == 0) continue;
        const DeviceReading& r = readings[std::size_t(p)];
        line += r.answered ? RecordField(p, r.pv, r.sv) : MissingField(p);
    }
    return line + TimeStamp(at);
}

std::optional<RecordHeader> ParseHeader(QByteArrayView line) {
    if (line.size() != HeaderLength) return std::nullopt;
    for (const char c : line)
        if (!IsHeaderChar(c)) return std::nullopt;
    RecordHeader header;
    for (qsizetype p = 0; p < DevicePositions; ++p)
        header.addresses[std::size_t(p)] = HexToByte(line[4 * p], line[4 * p + 1]);
    header.interval = qBound(1, HexToByte(line[32], line[33]), MaxInterval);
    // A header of spaces or zeros names no device: there is nothing to show.
    if (header.StationCount() == 0) return std::nullopt;
    return header;
}

std::optional<std::array<qint32, DevicePositions>> ParseFields(QByteArrayView line,
                                                               int stationCount) {
    if (stationCount < 0 || stationCount > DevicePositions) return std::nullopt;
    if (line.size() < qsizetype(stationCount) * FieldLength) return std::nullopt;
    std::array<qint32, DevicePositions> values{};
    for (int i = 0; i < stationCount; ++i) {
        const qsizetype at = qsizetype(i) * FieldLength;
        if (line[at + 1] != ' ') return std::nullopt;
        // The value runs to the next space; it cannot leave its field.
        const QByteArrayView field = line.sliced(at + 2, FieldLength - 2);
        const qsizetype space = field.indexOf(' ');
        const auto value = ParseValue(space < 0 ? field : field.first(space));
        if (!value) return std::nullopt;
        values[std::size_t(i)] = *value;
    }
    return values;
}

std::optional<std::array<FieldValues, DevicePositions>> ParseFieldValues(QByteArrayView line,
                                                                         int stationCount) {
    const auto pvs = ParseFields(line, stationCount);
    if (!pvs) return std::nullopt;
    constexpr qsizetype SvOffset = 2 + 7; // position digit, space, the PV's seven characters
    std::array<FieldValues, DevicePositions> values{};
    for (int i = 0; i < stationCount; ++i) {
        const QByteArrayView field = line.sliced(qsizetype(i) * FieldLength + SvOffset, 7);
        const qsizetype space = field.indexOf(' ');
        const auto sv = ParseValue(space < 0 ? field : field.first(space));
        if (!sv) return std::nullopt;
        values[std::size_t(i)] = {(*pvs)[std::size_t(i)], *sv};
    }
    return values;
}

std::optional<QTime> ParseTimeOfDay(QByteArrayView text) {
    // h:mm[:ss][ AM|PM], hour and minute one or two digits.
    int parts[3] = {0, 0, 0};
    int count = 0;
    qsizetype i = 0;
    while (count < 3) {
        const qsizetype start = i;
        int value = 0;
        while (i < text.size() && i - start < 2 && text[i] >= '0' && text[i] <= '9')
            value = value * 10 + (text[i++] - '0');
        if (i == start) return std::nullopt;
        parts[count++] = value;
        if (i < text.size() && text[i] == ':' && count < 3) {
            ++i;
            continue;
        }
        break;
    }
    if (count < 2) return std::nullopt;
    QByteArrayView rest = text.sliced(i);
    while (!rest.isEmpty() && rest.front() == ' ')
        rest = rest.sliced(1);
    while (!rest.isEmpty() && (rest.back() == ' ' || rest.back() == '\r'))
        rest.chop(1);
    int hour = parts[0];
    if (!rest.isEmpty()) {
        const QByteArray marker = rest.toByteArray().toUpper();
        if (marker != "AM" && marker != "PM") return std::nullopt;
        if (hour < 1 || hour > 12) return std::nullopt;
        hour = hour % 12 + (marker == "PM" ? 12 : 0);
    }
    const QTime time(hour, parts[1], parts[2]);
    if (!time.isValid()) return std::nullopt;
    return time;
}

BlockRead ReadRecordBlock(QIODevice& device, const RecordLayout& layout, qint64 firstRecord,
                          int thinning, SampleStore& samples, int maxPoints) {
    return ReadRecordPoints(device, layout, firstRecord, thinning, samples, 0, maxPoints);
}

BlockRead ReadRecordPoints(QIODevice& device, const RecordLayout& layout, qint64 firstRecord,
                           int thinning, SampleStore& samples, int firstPoint, int count) {
    BlockRead block;
    const qint64 length = layout.lineLength;
    firstPoint = qBound(0, firstPoint, BlockPoints);
    block.points = firstPoint;
    if (length <= 0 || thinning < 1 || firstRecord < 0) {
        block.broken = length <= 0;
        return block;
    }
    // Consecutive lines are taken in one read; thinned ones each from its own offset.
    QByteArray run;
    qint64 runStart = -1;
    const int endPoint = firstPoint + qBound(0, count, BlockPoints - firstPoint);
    const qint64 size = thinning > 1 ? device.size() : 0;
    for (int k = firstPoint; k < endPoint; ++k) {
        const qint64 record = firstRecord + qint64(k) * thinning;
        const qint64 offset = layout.dataOffset + record * length;
        QByteArrayView chunk;
        if (thinning == 1) {
            if (runStart < 0) {
                runStart = offset;
                if (!device.seek(offset)) break;
                run = device.read(length * (endPoint - firstPoint));
            }
            const qint64 at = offset - runStart;
            if (at >= run.size()) {
                block.atEnd = true;
                break;
            }
            chunk = QByteArrayView(run).sliced(at, qMin<qint64>(length, run.size() - at));
        } else {
            if (offset >= size) {
                block.atEnd = true;
                break;
            }
            chunk = ReadAt(device, offset, length, run);
        }
        LineOutcome outcome;
        const qsizetype lf = chunk.indexOf('\n');
        if (chunk.size() == length && lf == chunk.size() - 1) {
            outcome = ParseDataLine(WithoutLineEnd(chunk), k, layout.header, samples, block);
        } else if (lf >= 0) {
            // The end line, or a line of another length: the offsets of every later line would
            // be wrong too.
            const QByteArrayView line = WithoutLineEnd(chunk.first(lf + 1));
            outcome = line.isEmpty() || IsEndLine(line) ? LineOutcome::End : LineOutcome::Broken;
        } else {
            // The line a cut-off recording was writing ends the block; a full-length run of
            // bytes without a line end is no record.
            outcome = chunk.size() < length ? LineOutcome::End : LineOutcome::Broken;
        }
        if (outcome == LineOutcome::Broken) {
            block.broken = true;
            return block;
        }
        if (outcome == LineOutcome::End) {
            block.atEnd = true;
            break;
        }
        block.points = k + 1;
    }
    return block;
}

RecordLoad LoadRecord(QIODevice& device, SampleStore& samples, int maxPoints) {
    RecordLoad load;
    if (!device.seek(0)) return load;
    QByteArray headerLine;
    if (!ReadBoundedLine(device, LineLimit, headerLine) || !headerLine.endsWith('\n')) return load;
    const auto header = ParseHeader(WithoutLineEnd(headerLine));
    if (!header) return load;

    QByteArray second;
    if (!ReadBoundedLine(device, LineLimit, second) || !second.endsWith('\n')) return load;
    const QByteArrayView firstLine = WithoutLineEnd(second);
    if (firstLine.isEmpty() || IsEndLine(firstLine)) return load;

    RecordLayout& layout = load.layout;
    layout.header = *header;
    layout.dataOffset = headerLine.size();
    layout.lineLength = second.size();

    // Every complete line before the end line counts; a missing end line (a recording cut
    // off) loses nothing, and a part-written last line is not counted.
    const qint64 size = device.size();
    qint64 body = size - layout.dataOffset;
    const qint64 tailSize = qMin<qint64>(5, body);
    if (tailSize > 0 && device.seek(size - tailSize)) {
        const QByteArray tail = device.read(tailSize);
        for (const QByteArrayView end :
             {QByteArrayView("End\r\n"), QByteArrayView("End\n"), QByteArrayView("End")}) {
            if (tail.endsWith(end)) {
                body -= end.size();
                break;
            }
        }
    }
    layout.recordCount = qMax<qint64>(0, body) / layout.lineLength;

    load.first = ReadRecordBlock(device, layout, 0, 1, samples, maxPoints);
    if (load.first.broken || load.first.points == 0) return load;
    layout.recordCount = qMax<qint64>(layout.recordCount, load.first.points);
    load.broken = false;
    return load;
}

RecordLoad LoadRecordFile(const QString& path, SampleStore& samples, int maxPoints) {
    RecordLoad load;
    if (const auto problem = PlainFileProblem(path)) {
        load.problem = *problem;
        return load;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        load.problem = ReadFailureText(path, file.errorString());
        return load;
    }
    return LoadRecord(file, samples, maxPoints);
}

std::optional<RecordLine> ParseRecordLine(QByteArrayView line, const RecordHeader& header) {
    const int count = header.StationCount();
    const auto values = ParseFields(line, count);
    if (!values) return std::nullopt;
    RecordLine parsed;
    parsed.pv.fill(MissingSample);
    int field = 0;
    for (int p = 0; p < DevicePositions; ++p) {
        if (header.addresses[std::size_t(p)] != 0)
            parsed.pv[std::size_t(p)] = (*values)[std::size_t(field++)];
    }
    parsed.time = LineTime(line, count);
    return parsed;
}

std::optional<RecordLine> ReadRecordLine(QIODevice& device, const RecordLayout& layout,
                                         qint64 record) {
    if (record < 0 || record >= layout.recordCount || layout.lineLength <= 0) return std::nullopt;
    if (!device.seek(layout.dataOffset + record * layout.lineLength)) return std::nullopt;
    const QByteArray bytes = device.read(layout.lineLength);
    if (bytes.size() != layout.lineLength || !bytes.endsWith('\n')) return std::nullopt;
    return ParseRecordLine(WithoutLineEnd(bytes), layout.header);
}

BlockRead ReadRecordBlock(const QString& path, const RecordLayout& layout, qint64 firstRecord,
                          int thinning, SampleStore& samples) {
    return ReadRecordPoints(path, layout, firstRecord, thinning, samples, 0, BlockPoints);
}

BlockRead ReadRecordPoints(const QString& path, const RecordLayout& layout, qint64 firstRecord,
                           int thinning, SampleStore& samples, int firstPoint, int count) {
    // Unbuffered: a thinned block reads one short line at each of its offsets, and a buffer
    // would fill itself far past every one of them. The file may have been put in place of
    // the one loaded since: a pipe or a device is never opened.
    QFile file(path);
    if (PlainFileProblem(path) || !file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) {
        BlockRead block;
        block.broken = true;
        return block;
    }
    return ReadRecordPoints(file, layout, firstRecord, thinning, samples, firstPoint, count);
}

RecordWriter::RecordWriter()
    : opener_([](const QString& path, bool append, QString* error) -> std::unique_ptr<QIODevice> {
          // Opening a pipe for writing waits for a reader; a device is no record.
          if (const QFileInfo target(path); target.exists() && !target.isFile()) {
              *error = target.isDir()
                           ? QCoreApplication::translate("vrx::TextFile", "a folder has this name")
                           : QCoreApplication::translate("vrx::TextFile", "not a plain file");
              return nullptr;
          }
          auto file = std::make_unique<QFile>(path);
          // Unbuffered: each line goes to the system at once, and a full disk is reported by
          // the write that meets it, with the system's reason.
          const QIODevice::OpenMode mode =
              append ? QIODevice::Append : QIODevice::WriteOnly | QIODevice::Truncate;
          if (!file->open(mode | QIODevice::Unbuffered)) {
              *error = file->errorString();
              return nullptr;
          }
          return file;
      }) {}

RecordWriter::~RecordWriter() = default;

bool RecordWriter::Create(const QString& path, const Addresses& addresses, int seconds) {
    Abandon();
    path_ = path;
    addresses_ = addresses;
    seconds_ = seconds;
    error_.clear();
    mismatch_ = false;
    device_ = opener_(path, false, &error_);
    if (!device_) return false;
    return Put(HeaderLine(addresses, seconds) + "\r\n");
}

bool RecordWriter::Continue(const QString& path, const Addresses& addresses, int seconds) {
    Abandon();
    mismatch_ = false;
    QFile existing(path);
    if (!existing.exists() || (QFileInfo(path).isFile() && existing.size() == 0))
        return Create(path, addresses, seconds);
    path_ = path;
    addresses_ = addresses;
    seconds_ = seconds;
    error_.clear();
    if (!QFileInfo(path).isFile() || !existing.open(QIODevice::ReadWrite)) {
        error_ = QFileInfo(path).isFile()
                     ? existing.errorString()
                     : QCoreApplication::translate("vrx::TextFile", "not a plain file");
        return false;
    }
    const QByteArray head = existing.read(HeaderLength + 2);
    const std::optional<RecordHeader> header = ParseHeader(head.left(HeaderLength));
    if (!header || head.mid(HeaderLength) != "\r\n" || header->addresses != addresses ||
        header->interval != seconds) {
        mismatch_ = true;
        error_ = QCoreApplication::translate("vrx::TextFile", "holds another recording");
        return false;
    }
    // Whole lines stay; a line cut off by a crash and the end line (shorter than any data
    // line) go, so that every line keeps the length the viewer counts on.
    const qint64 lineLength = DataLine(addresses, {}, QTime(0, 0)).size() + 2;
    const qint64 dataOffset = HeaderLength + 2;
    const qint64 whole = dataOffset + (existing.size() - dataOffset) / lineLength * lineLength;
    if (whole != existing.size() && !existing.resize(whole)) {
        error_ = existing.errorString();
        return false;
    }
    existing.close();
    device_ = opener_(path, true, &error_);
    return device_ != nullptr;
}

bool RecordWriter::WriteLine(const QByteArray& line) {
    if (!device_) return false;
    if (!StillAtPath(*device_, path_) && !Reopen()) return false;
    return Put(line + "\r\n");
}

bool RecordWriter::Reopen() {
    // Continue, not Create: another file put in its place is never emptied.
    const QString path = path_;
    const Addresses addresses = addresses_;
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) {
        Abandon();
        error_ = QCoreApplication::translate("vrx::TextFile", "its folder %1 cannot be made again")
                     .arg(folder);
        return false;
    }
    if (!Continue(path, addresses, seconds_)) return false;
    reopened_ = true;
    return true;
}

bool RecordWriter::End() {
    if (!device_) return false;
    const bool written = Put(QByteArray(EndLineText) + "\r\n");
    Abandon();
    return written;
}

void RecordWriter::Abandon() {
    if (device_) device_->close();
    device_.reset();
}

bool RecordWriter::Put(const QByteArray& bytes) {
    std::optional<QString> failure = WriteAllBytes(*device_, bytes);
    if (auto* file = qobject_cast<QFileDevice*>(device_.get()); file && !failure && !file->flush())
        failure = file->errorString();
    if (failure) {
        error_ = *failure;
        Abandon();
        return false;
    }
    SyncToDisk(*device_);
    return true;
}

} // namespace vrx
