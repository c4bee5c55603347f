// Writing and reading the parameter file.
#include "paramfile.h"

#include "framecodec.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace vrx {

namespace {

constexpr int EntriesPerLine = 16;
constexpr int FilePairs = ParamEntries + 1;
// Enough of the bad input to show a short excerpt of it.
constexpr qsizetype ExcerptBytes = 24;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool IsSeparator(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

} // namespace

QByteArray ParamFileText(const ParamImage& image) {
    QByteArray text;
    text.reserve(16 * (4 * EntriesPerLine + 2) + 4);
    for (int n = 0; n < ParamEntries; ++n) {
        text += ByteToHex(image[n]) + "  ";
        if (n % EntriesPerLine == EntriesPerLine - 1) text += "\r\n";
    }
    text += ByteToHex(image[ParamEndMarkerEntry]) + "\r\n";
    return text;
}

ParamFileSave SaveParamFile(const QString& path, const ParamImage& image) {
    if (const auto failure = SaveWholeFile(path, ParamFileText(image))) return {false, *failure};
    return {true, QCoreApplication::translate("vrx::ParamFile", "Write to file success")};
}

bool ParamFileScanner::Feed(QByteArrayView bytes) {
    if (pairs_ > FilePairs) return false;
    if (bad_) {
        // The excerpt for the message may run on into the next piece.
        badBytes_ += bytes.first(qMin(bytes.size(), ExcerptBytes - badBytes_.size()));
        return badBytes_.size() < ExcerptBytes;
    }
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (IsSeparator(c)) {
            pending_ = -1;
            if (c == '\n') ++line_;
            continue;
        }
        const int digit = HexDigit(c);
        if (digit < 0) {
            // Keep the line and a little of what follows for the message.
            bad_ = true;
            badLine_ = line_;
            badBytes_ = bytes.sliced(i, qMin(bytes.size() - i, ExcerptBytes)).toByteArray();
            return badBytes_.size() < ExcerptBytes;
        }
        if (pending_ < 0) {
            pending_ = digit;
            continue;
        }
        if (pairs_ < FilePairs) image_[pairs_] = quint8(pending_ * 16 + digit);
        ++pairs_;
        pending_ = -1;
        // One pair too many already decides it.
        if (pairs_ > FilePairs) return false;
    }
    return true;
}

ParamFileLoad ParamFileScanner::Finish() const {
    ParamFileLoad load;
    load.pairs = pairs_;
    load.image = current_;
    if (bad_) {
        load.status = ParamFileStatus::BadData;
        load.message = QCoreApplication::translate("vrx::ParamFile",
                                                   "Not a parameter file: line %1 holds '%2'")
                           .arg(badLine_)
                           .arg(PrintableExcerpt(badBytes_));
        return load;
    }
    load.takesImage = pairs_ == ParamEntries || pairs_ == FilePairs;
    if (load.takesImage) load.image = image_;
    if (pairs_ == FilePairs) {
        load.status = ParamFileStatus::Loaded;
        load.message = QCoreApplication::translate("vrx::ParamFile", "Load file data success");
    } else {
        load.status = ParamFileStatus::LengthError;
        load.message = QCoreApplication::translate("vrx::ParamFile", "Data length error !");
    }
    return load;
}

ParamFileLoad ParseParamFile(QByteArrayView bytes, const ParamImage& current) {
    ParamFileScanner scanner(current);
    scanner.Feed(bytes);
    return scanner.Finish();
}

ParamFileLoad ReadParamFile(const QString& path, const ParamImage& current) {
    ParamFileLoad load;
    load.image = current;
    if (!QFileInfo::exists(path)) {
        load.status = ParamFileStatus::Missing;
        load.message = QString::fromLatin1(FileMissingText);
        return load;
    }
    ParamFileScanner scanner(current);
    const PieceRead read = ReadFileInPieces(
        path, ParamFileMaxBytes, [&scanner](QByteArrayView piece) { return scanner.Feed(piece); });
    switch (read.end) {
    case PieceReadEnd::Whole:
    case PieceReadEnd::Stopped:
        return scanner.Finish();
    case PieceReadEnd::TooLong:
        load.status = ParamFileStatus::LengthError;
        load.message = QCoreApplication::translate("vrx::ParamFile", "Data length error !");
        return load;
    case PieceReadEnd::Failed:
        break;
    }
    load.status = ParamFileStatus::ReadFailed;
    load.message = read.reason;
    return load;
}

} // namespace vrx
