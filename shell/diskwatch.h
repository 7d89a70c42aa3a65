#pragma once

#include "encoding/fileaccess.h"

#include <QObject>
#include <QString>
#include <string>

class QFileSystemWatcher;
namespace doc {
class Document;
}

// Watches the file that the editor's document was last read from or written to, and tells when
// another program changes or deletes it. The document keeps what the file looked like; what the
// editor itself writes is not a change, since the document then keeps the file's new stamp.
class DiskWatch : public QObject {
    Q_OBJECT
public:
    enum class State { Unchanged, Changed, Deleted };

    explicit DiskWatch(const doc::Document& document, QObject* parent = nullptr);

    // The document has been read or saved: watches its file as it is now (nothing when the text
    // belongs to no file on disk).
    void follow();
    void forget();

    // The file followed (empty when none).
    QString fileName() const { return m_name; }
    // The file as it is now against the document's stamp; Unchanged when nothing is followed.
    State state() const;
    // The user has been told about the file as it is now: changedOnDisk() comes again only
    // when it changes once more.
    void acknowledge();

signals:
    // The file followed was changed or deleted by someone else (once per change).
    void changedOnDisk();

private:
    void look();

    const doc::Document& m_document;
    QFileSystemWatcher* m_watcher;
    QString m_name;
    std::string m_local;
    enc::FileStamp m_told;
    bool m_following = false;
};
