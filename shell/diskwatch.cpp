#include "shell/diskwatch.h"

#include "document/document.h"
#include "shell/localname.h"

#include <QFileSystemWatcher>

DiskWatch::DiskWatch(const doc::Document& document, QObject* parent)
    : QObject(parent), m_document(document), m_watcher(new QFileSystemWatcher(this)) {
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &DiskWatch::look);
}

void DiskWatch::follow() {
    forget();
    const doc::FileInfo& file = m_document.file();
    if (file.name.empty() || !file.stamp.exists)
        return;
    m_local = file.name;
    m_name = fromLocalName(m_local);
    m_told = file.stamp;
    m_following = true;
    m_watcher->addPath(m_name);
}

void DiskWatch::forget() {
    const QStringList watched = m_watcher->files();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_name.clear();
    m_local.clear();
    m_told = {};
    m_following = false;
}

DiskWatch::State DiskWatch::state() const {
    if (!m_following || m_document.file().name != m_local)
        return State::Unchanged;
    switch (m_document.diskState()) {
    case doc::DiskState::Changed:
        return State::Changed;
    case doc::DiskState::Deleted:
        return State::Deleted;
    case doc::DiskState::Unchanged:
        break;
    }
    return State::Unchanged;
}

void DiskWatch::acknowledge() {
    m_told = enc::StampOf(m_local);
}

void DiskWatch::look() {
    if (!m_following)
        return;
    const enc::FileStamp now = enc::StampOf(m_local);
    // A file replaced by a rename is a new file: the watch on the old one has ended.
    if (now.exists && !m_watcher->files().contains(m_name))
        m_watcher->addPath(m_name);
    if (now == m_document.file().stamp || now == m_told)
        return;
    emit changedOnDisk();
}
