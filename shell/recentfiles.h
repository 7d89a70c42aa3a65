#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

// The list of recently opened files, newest first, kept in recentedit.dat beside the two
// settings files: one full path per line, as the system's bytes (UTF-8 or not; see
// localname.h). The list functions are pure; load and save
// go through the settings folder and write the file whole or not at all.
namespace recent {

inline constexpr char kRecentFileName[] = "recentedit.dat";
inline constexpr int kMaxEntries = 10;

// The names of a list file's text: one per line (LF or CR LF), empty lines skipped, repeated
// names after their first, at most kMaxEntries. Never fails.
QStringList parseList(QByteArrayView text);

// The file's text for a list: each name followed by LF.
QByteArray formatList(const QStringList& names);

// The list with `name` put first: an earlier entry of the same name is removed and the list is
// cut to kMaxEntries. An empty name, or one holding a line break, which a line of the file
// cannot hold, leaves the list as it is.
QStringList withFirst(QStringList names, const QString& name);

// The list as the file holds it now (empty when there is none).
QStringList load();

// Replaces the file with the list. False when it could not be written (the old file stays).
bool save(const QStringList& names);

} // namespace recent
