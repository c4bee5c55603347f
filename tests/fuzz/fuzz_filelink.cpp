// The record file links of the recorder's page: whatever path a request carries, as it comes
// and as the server's URL parsing hands it over, names nothing outside the recording's folder.
#include "recordfilelinks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// A folder with one record file, a file beside the folder and a link leading out to it.
struct Fixture {
    Fixture() {
        QDir(root.path()).mkdir(QStringLiteral("rec"));
        for (const QString& name :
             {QStringLiteral("rec/2026-03-14.txt"), QStringLiteral("secret.txt")}) {
            QFile file(root.filePath(name));
            if (!file.open(QIODevice::WriteOnly)) std::abort();
        }
        QFile::link(root.filePath(QStringLiteral("secret.txt")),
                    root.filePath(QStringLiteral("rec/2026-03-15.txt")));
        // Once the folder is there: its real path.
        folder = QFileInfo(root.filePath(QStringLiteral("rec"))).canonicalFilePath();
    }
    QTemporaryDir root;
    vrx::RecordFileNames names{{}, root.filePath(QStringLiteral("rec"))};
    QString folder;
};

void Check(const Fixture& fixture, QByteArrayView path) {
    const std::optional<vrx::FileLink> link = vrx::ParseFileLink(path);
    if (!link) return;
    const QString& name = link->name;
    if (name.isEmpty() || name.size() > vrx::MaxFileLinkName || name.startsWith(u'.') ||
        name.contains(u'/') || name.contains(u'\\') || name.contains(QChar(0)))
        std::abort();
    const QString file = fixture.names.PathOf(name);
    if (file.isEmpty()) return;
    const QFileInfo info(file);
    if (QFileInfo(info.canonicalFilePath()).absolutePath() != fixture.folder ||
        info.fileName() == QLatin1String("2026-03-15.txt"))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Fixture fixture;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    Check(fixture, bytes);
    const QUrl url(QStringLiteral("http://h") + QString::fromLatin1(bytes.data(), bytes.size()));
    Check(fixture, url.path(QUrl::FullyEncoded).toLatin1());
    return 0;
}
