// The user's workspace: what the windows remember between runs (station addresses, the
// Recorder's devices and interval, window places), in the user's configuration folder. Off
// until the program turns it on, so that a library or a test never reads a user's file.
#pragma once

#include <QString>
#include <QVariant>

class QWidget;

namespace vrx::workspace {

// Turns it on: with no path, "vrxcom/workspace.conf" in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config); a test gives a file of its own.
void Enable(const QString& path = {});
void Disable();
bool Enabled();

// What was remembered under key, or fallback (also while the workspace is off).
QVariant Value(const QString& key, const QVariant& fallback = {});
// Remembers value under key; nothing while the workspace is off.
void SetValue(const QString& key, const QVariant& value);

// A window's place and size, remembered under its object name; restored only where the whole
// window lies on the screen it would open on.
void SavePlace(const QWidget& window);
void RestorePlace(QWidget& window);

} // namespace vrx::workspace
