// The workspace file.
#include "workspace.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QWidget>

#include <memory>

namespace vrx::workspace {

namespace {

std::unique_ptr<QSettings>& Settings() {
    static std::unique_ptr<QSettings> settings;
    return settings;
}

QString PlaceKey(const QWidget& window) {
    return QStringLiteral("windows/%1").arg(window.objectName());
}

} // namespace

void Enable(const QString& path) {
    Settings() =
        path.isEmpty()
            ? std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                          QStringLiteral("vrxcom"), QStringLiteral("workspace"))
            : std::make_unique<QSettings>(path, QSettings::IniFormat);
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
    if (Settings()) Settings()->setValue(key, value);
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
