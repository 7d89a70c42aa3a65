#pragma once

// Points the program's state folder (recovery journals, records of temporaries) at a temporary
// folder of the test program's own for as long as the object lives, so a test never sees the
// user's journals or another test's.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

class OwnStateFolder {
public:
    OwnStateFolder() : m_old(qgetenv("XDG_STATE_HOME")) {
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.path()));
    }
    ~OwnStateFolder() { qputenv("XDG_STATE_HOME", m_old); }
    OwnStateFolder(const OwnStateFolder&) = delete;
    OwnStateFolder& operator=(const OwnStateFolder&) = delete;

private:
    QByteArray m_old;
    QTemporaryDir m_dir;
};
