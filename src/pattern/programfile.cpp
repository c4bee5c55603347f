// Writing and reading the program file.
#include "programfile.h"

#include "errors.h"
#include "textfile.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <optional>
#include <utility>

namespace vrx {

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == '\r' || c == '\n';
}

// No integer has a longer text (leading zeros aside, which nobody writes this many of); a
// longer token is kept only in part, for the message.
constexpr qsizetype LongestToken = 32;

} // namespace

QByteArray ProgramFileText(const PatternProgram& program) {
    QByteArray text = QByteArray::number(program.StartPattern) + "\r\n";
    for (int i = 1; i < ProgramValues; ++i) {
        text += QByteArray::number(FileValue(program, i)) + "  ";
        if (i % 8 == 0) text += "\r\n";
    }
    return text;
}

ProgramFileSave SaveProgramFile(const QString& path, const PatternProgram& program) {
    if (const auto failure = SaveWholeFile(path, ProgramFileText(program)))
        return {false, *failure};
    return {true, QCoreApplication::translate("vrx::ProgramFile", "Write to file success")};
}

bool ProgramFileScanner::Feed(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (Refused()) return false;
        const bool afterCr = std::exchange(afterCr_, c == '\r');
        if (IsSeparator(c)) {
            if (tokenLength_ > 0) EndToken();
            if (c == '\r' || (c == '\n' && !afterCr)) ++line_;
            continue;
        }
        if (tokenLength_ == 0) tokenLine_ = line_;
        if (token_.size() < LongestToken + 1) token_ += c;
        ++tokenLength_;
    }
    return !Refused();
}

void ProgramFileScanner::EndToken() {
    const int i = tokens_++;
    const QByteArray token = token_;
    token_.clear();
    tokenLength_ = 0;
    std::optional<int> value;
    if (token.size() <= LongestToken) {
        try {
            value = StrToInt(QString::fromLatin1(token));
        } catch (const ConvertError&) {
        }
    }
    if (!value) {
        bad_ = true;
        badToken_ = token;
        return;
    }
    if (i >= ProgramValues) return;
    if (const auto problem = FileValueProblem(i, *value)) {
        bad_ = true;
        rangeProblem_ = QCoreApplication::translate("vrx::ProgramFile", "Line %1 : %2 !")
                            .arg(tokenLine_)
                            .arg(*problem);
        return;
    }
    FileValue(program_, i) = *value;
}

ProgramFileLoad ProgramFileScanner::Finish() {
    // The file's end ends the last number as a separator would.
    if (!Refused() && tokenLength_ > 0) EndToken();
    ProgramFileLoad load;
    load.tokens = tokens_;
    load.program = current_;
    if (bad_ && !rangeProblem_.isEmpty()) {
        load.status = ProgramFileStatus::OutOfRange;
        load.message = rangeProblem_;
        return load;
    }
    if (bad_) {
        load.status = ProgramFileStatus::BadToken;
        load.message = ConvertError(PrintableExcerpt(badToken_)).text();
        return load;
    }
    load.takesProgram = tokens_ == ProgramValues;
    if (load.takesProgram) load.program = program_;
    if (tokens_ == ProgramValues) {
        load.status = ProgramFileStatus::Loaded;
        load.message = QCoreApplication::translate("vrx::ProgramFile", "Load file data success");
    } else {
        load.status = ProgramFileStatus::LengthError;
        load.message = QCoreApplication::translate("vrx::ProgramFile", "Data length error !");
    }
    return load;
}

ProgramFileLoad ParseProgramFile(QByteArrayView bytes, const PatternProgram& current) {
    ProgramFileScanner scanner(current);
    scanner.Feed(bytes);
    return scanner.Finish();
}

ProgramFileLoad ReadProgramFile(const QString& path, const PatternProgram& current) {
    ProgramFileLoad load;
    load.program = current;
    if (!QFileInfo::exists(path)) {
        load.message = QCoreApplication::translate("vrx::TextFile", FileMissingText);
        return load;
    }
    ProgramFileScanner scanner(current);
    const PieceRead read =
        ReadFileInPieces(path, ProgramFileMaxBytes,
                         [&scanner](QByteArrayView piece) { return scanner.Feed(piece); });
    switch (read.end) {
    case PieceReadEnd::Whole:
    case PieceReadEnd::Stopped:
        return scanner.Finish();
    case PieceReadEnd::TooLong:
        load.status = ProgramFileStatus::LengthError;
        load.message = QCoreApplication::translate("vrx::ProgramFile", "Data length error !");
        return load;
    case PieceReadEnd::Failed:
        break;
    }
    load.status = ProgramFileStatus::ReadFailed;
    load.message = read.reason;
    return load;
}

} // namespace vrx
