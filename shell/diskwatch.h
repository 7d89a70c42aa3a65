#pragma once

#include "encoding/fileaccess.h"

#include <QObject>
#include <QString>
#include <string>

class QFileSystemWatcher;

// Watches the file that the editor's text was last read from or written to, and tells when
// another program changes or deletes it. What the editor itself writes is not a change: after
// each read or write it follows the file's new stamp.
class DiskWatch : public QObject {
    Q_OBJECT
public:
    enum class State { Unchanged, Changed, Deleted };

    explicit DiskWatch(QObject* parent = nullptr);

    // The text now equals the file `fileName` as `stamp` describes it; watches that file.
    void follow(const QString& fileName, const enc::FileStamp& stamp);
    // The same with the file's stamp as it is now, right after the editor wrote it.
    void followAsItIs(const QString& fileName);
    // The text belongs to no file on disk: nothing is watched.
    void forget();

    // The file followed (empty when none).
    QString fileName() const { return m_name; }
    // The file's stamp when the text last equalled it.
    const enc::FileStamp& stamp() const { return m_stamp; }
    // The file as it is now against the stamp followed; Unchanged when nothing is followed.
    State state() const;
    // The user has been told about the file as it is now: changedOnDisk() comes again only
    // when it changes once more.
    void acknowledge();

signals:
    // The file followed was changed or deleted by someone else (once per change).
    void changedOnDisk();

private:
    void look();

    QFileSystemWatcher* m_watcher;
    QString m_name;
    std::string m_local;
    enc::FileStamp m_stamp;
    enc::FileStamp m_told;
    bool m_following = false;
};
