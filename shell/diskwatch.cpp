#include "shell/diskwatch.h"

#include "shell/localname.h"

#include <QFileSystemWatcher>

DiskWatch::DiskWatch(QObject* parent) : QObject(parent), m_watcher(new QFileSystemWatcher(this)) {
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this, &DiskWatch::look);
}

void DiskWatch::follow(const QString& fileName, const enc::FileStamp& stamp) {
    forget();
    m_name = fileName;
    m_local = toLocalName(fileName);
    m_stamp = stamp;
    m_told = stamp;
    m_following = true;
    m_watcher->addPath(fileName);
}

void DiskWatch::followAsItIs(const QString& fileName) {
    follow(fileName, enc::StampOf(toLocalName(fileName)));
}

void DiskWatch::forget() {
    const QStringList watched = m_watcher->files();
    if (!watched.isEmpty())
        m_watcher->removePaths(watched);
    m_name.clear();
    m_local.clear();
    m_stamp = {};
    m_told = {};
    m_following = false;
}

DiskWatch::State DiskWatch::state() const {
    if (!m_following)
        return State::Unchanged;
    const enc::FileStamp now = enc::StampOf(m_local);
    if (now == m_stamp)
        return State::Unchanged;
    return now.exists ? State::Changed : State::Deleted;
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
    if (now == m_stamp || now == m_told)
        return;
    emit changedOnDisk();
}
