// The record file links of the recorder's page.
#include "recordfilelinks.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace vrx {

namespace {

bool IsNameCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == '_';
}

bool IsDigits(QStringView text, qsizetype count) {
    if (text.size() != count) return false;
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// "-2" to "-99": the suffix the sink gives a file when the name is taken by another recording.
bool IsCopySuffix(QStringView text) {
    if (text.isEmpty()) return true;
    if (!text.startsWith(u'-') || text.size() > 3 || text.size() < 2 || text[1] == u'0')
        return false;
    return IsDigits(text.mid(1), text.size() - 1);
}

} // namespace

std::optional<FileLink> ParseFileLink(QByteArrayView path) {
    constexpr QByteArrayView prefix("/files/");
    if (!path.startsWith(prefix)) return std::nullopt;
    const QByteArrayView encoded = path.sliced(prefix.size());
    // A name of 64 characters has at most 3 x 64 when each is encoded.
    if (encoded.isEmpty() || encoded.size() > 3 * MaxFileLinkName) return std::nullopt;
    const QByteArray name = QByteArray::fromPercentEncoding(encoded.toByteArray());
    if (name.isEmpty() || name.size() > MaxFileLinkName || name.startsWith('.'))
        return std::nullopt;
    if (!std::all_of(name.begin(), name.end(), IsNameCharacter)) return std::nullopt;
    FileLink link{QString::fromLatin1(name), false};
    if (link.name.endsWith(QLatin1String(".csv"))) {
        link.name.chop(4);
        link.csv = true;
        if (link.name.isEmpty() || link.name.startsWith(u'.')) return std::nullopt;
    }
    return link;
}

RecordFileNames::RecordFileNames(const QString& out, const QString& outDir) {
    if (!outDir.isEmpty()) {
        folder_ = QDir(outDir).absolutePath();
        daily_ = true;
        return;
    }
    const QFileInfo info(out);
    folder_ = info.absolutePath();
    base_ = info.completeBaseName();
    suffix_ = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
}

bool RecordFileNames::Matches(const QString& name) const {
    if (daily_) {
        // 2026-03-14.txt, 2026-03-14-2.txt
        if (!name.endsWith(QLatin1String(".txt")) || name.size() < 14) return false;
        const QStringView stem = QStringView(name).chopped(4);
        if (!IsDigits(stem.left(4), 4) || stem[4] != u'-' || !IsDigits(stem.mid(5, 2), 2) ||
            stem[7] != u'-' || !IsDigits(stem.mid(8, 2), 2))
            return false;
        const QDate day = QDate::fromString(stem.left(10).toString(), Qt::ISODate);
        return day.isValid() && IsCopySuffix(stem.mid(10));
    }
    if (!name.startsWith(base_) || !name.endsWith(suffix_)) return false;
    const qsizetype middle = name.size() - base_.size() - suffix_.size();
    return middle >= 0 && IsCopySuffix(QStringView(name).mid(base_.size(), middle));
}

QString RecordFileNames::PathOf(const QString& name) const {
    if (!Matches(name) || name.contains(u'/')) return {};
    const QFileInfo info(QDir(folder_).filePath(name));
    if (!info.isFile() || !info.isReadable()) return {};
    // A link in the folder may lead anywhere: only a file whose real place is in the folder.
    const QString real = info.canonicalFilePath();
    const QString folder = QFileInfo(folder_).canonicalFilePath();
    if (real.isEmpty() || folder.isEmpty() || QFileInfo(real).absolutePath() != folder) return {};
    return info.absoluteFilePath();
}

QList<RecordFileNames::Entry> RecordFileNames::List() const {
    QList<Entry> entries;
    const QFileInfoList infos =
        QDir(folder_).entryInfoList(QDir::Files, QDir::Name | QDir::Reversed);
    for (const QFileInfo& info : infos) {
        if (!Matches(info.fileName()) || PathOf(info.fileName()).isEmpty()) continue;
        entries << Entry{info.fileName(), info.size(), info.lastModified()};
    }
    return entries;
}

} // namespace vrx
