#pragma once

#include <QByteArray>
#include <QString>

// Shortcuts to the program. On Linux a shortcut is a freedesktop desktop entry
// (toviloeditru.desktop); on Windows it is a shell link (toviloeditru.lnk).
namespace shortcut {

// The shortcut's file name, without a folder.
QString linkFileName();

// Quotes one argument for the Exec key of a desktop entry: encloses it in double quotes,
// puts a backslash before each double quote, backquote, dollar sign and backslash, and doubles
// each percent sign, so that a launcher passes the argument through unchanged.
QString quoteExecArgument(const QString& argument);

// Escapes a string value of a desktop entry: backslash, line feed, tab and carriage return
// become \\, \n, \t and \r.
QString escapeDesktopString(const QString& value);

// The whole desktop entry (UTF-8, lines ended by LF) of a shortcut that starts the given
// executable with no arguments.
QByteArray desktopEntryText(const QString& executable);

// The folder named by XDG_DESKTOP_DIR in the contents of a user-dirs.dirs file: "$HOME/..."
// is taken relative to home, an absolute path as it stands; a missing, relative or malformed
// entry gives an empty string. A trailing separator is dropped.
QString desktopDirFromUserDirs(const QByteArray& contents, const QString& home);

// The user's home folder ($HOME, read at each call).
QString homeFolder();
// The user's applications folder: $XDG_DATA_HOME/applications, or
// ~/.local/share/applications when XDG_DATA_HOME is unset or not absolute.
QString applicationsFolder();
// The user's desktop folder as $XDG_CONFIG_HOME/user-dirs.dirs (or ~/.config/user-dirs.dirs)
// names it, else ~/Desktop.
QString desktopFolder();

// Writes the desktop entry for executable to linkPath whole (a reader never sees half a file),
// replacing an earlier one, creating the folder when missing, and marks it executable.
// Returns false when any step fails; no message is shown.
bool writeDesktopEntry(const QString& linkPath, const QString& executable);

} // namespace shortcut

// Creates or replaces the shortcut at linkPath that starts target. Returns 1 on success; on
// failure (also for an empty link path or target) shows "ショートカット作成失敗" in a message box
// and returns 0.
int CreateShellLink(const QString& linkPath, const QString& target);
// Creates the shortcut in the user's programs menu (Linux: the applications folder).
int CreateProgramsShortcut(const QString& target);
// Creates the shortcut on the user's desktop.
int CreateDesktopShortcut(const QString& target);
