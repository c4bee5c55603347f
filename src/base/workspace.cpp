// The workspace file.
#include "workspace.h"

#include "textfile.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

#include <memory>

namespace vrx::workspace {

namespace {

std::unique_ptr<QSettings>& Settings() {
    static std::unique_ptr<QSettings> settings;
    return settings;
}

// A missing file is fine: the first save makes it.
std::optional<QString> NotPlain(const QString& path) {
    if (!QFileInfo::exists(path)) return std::nullopt;
    return PlainFileProblem(path);
}

QString PlaceKey(const QWidget& window) {
    return QStringLiteral("windows/%1").arg(window.objectName());
}

} // namespace

QString DefaultPath() {
#ifdef Q_OS_WIN
    const QString folder = qEnvironmentVariable("APPDATA");
#else
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
#endif
    return QDir(folder).filePath(QStringLiteral("vrxcom/workspace.ini"));
}

std::optional<QString> Enable(const QString& path) {
    Disable();
    const QString file = path.isEmpty() ? DefaultPath() : path;
    // QSettings reads its file the moment it is made, and opening a pipe waits for a writer.
    if (const auto problem = NotPlain(file)) return problem;
    Settings() = std::make_unique<QSettings>(file, QSettings::IniFormat);
    return std::nullopt;
}

void Disable() {
    Settings().reset();
}

bool Enabled() {
    return Settings() != nullptr;
}

QVariant Value(const QString& key, const QVariant& fallback) {
    return Settings() ? Settings()->value(key, fallback) : fallback;
}

void SetValue(const QString& key, const QVariant& value) {
    if (!Settings()) return;
    // Saving reads the file again when it has changed on disk.
    if (const auto problem = NotPlain(Settings()->fileName())) {
        qWarning("%s; nothing more is remembered in this run", qPrintable(*problem));
        Disable();
        return;
    }
    Settings()->setValue(key, value);
}

void SavePlace(const QWidget& window) {
    SetValue(PlaceKey(window), window.geometry());
}

void RestorePlace(QWidget& window) {
    const QRect place = Value(PlaceKey(window)).toRect();
    if (!place.isValid()) return;
    const QScreen* screen = QGuiApplication::screenAt(place.center());
    // Another screen since, or a smaller one: the window opens where the program puts it.
    if (!screen || !screen->availableGeometry().contains(place)) return;
    window.move(place.topLeft());
}

} // namespace vrx::workspace
