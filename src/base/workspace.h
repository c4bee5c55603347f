// The user's workspace: what the windows remember between runs (station addresses, the
// Recorder's devices and interval, window places), in the user's configuration folder. Off
// until the program turns it on, so that a library or a test never reads a user's file.
#pragma once

#include <QString>
#include <QVariant>

#include <optional>

class QWidget;

namespace vrx::workspace {

// The file it is kept in by default: "vrxcom/workspace.ini" in the user's configuration folder
// ($XDG_CONFIG_HOME, else ~/.config; %APPDATA% on Windows).
QString DefaultPath();

// Turns it on, kept in `path` (a test gives a file of its own) or else DefaultPath(). A file
// there that is not a plain file is never opened (a pipe would hold the program up for ever,
// a device never ends): the workspace stays off and the reason, naming the file, comes back.
std::optional<QString> Enable(const QString& path = {});
void Disable();
bool Enabled();

// What was remembered under key, or fallback (also while the workspace is off).
QVariant Value(const QString& key, const QVariant& fallback = {});
// Remembers value under key; nothing while the workspace is off. A file put in place of the
// workspace since that is not a plain one turns it off instead.
void SetValue(const QString& key, const QVariant& value);

// A window's place and size, remembered under its object name; restored only where the whole
// window lies on the screen it would open on.
void SavePlace(const QWidget& window);
void RestorePlace(QWidget& window);

} // namespace vrx::workspace
