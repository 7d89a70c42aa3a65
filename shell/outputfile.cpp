#include "shell/outputfile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

OutputFile::OutputFile(Sync sync) : m_sync(sync) {}

OutputFile::~OutputFile() {
    cancel();
}

QString OutputFile::resolvedTarget(const QString& fileName) {
    // Follow the chain of links one by one, so a link to a file that does not exist yet still
    // names the file to create; a loop of links gives up and writes the name itself.
    QFileInfo info(fileName);
    for (int hops = 0; hops < 40; ++hops) {
        if (!info.isSymLink())
            return info.filePath();
        info.setFile(info.symLinkTarget());
    }
    return fileName;
}

namespace {

mode_t newFileMode() {
    // The umask can only be read by setting it; put it straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

} // namespace

bool OutputFile::open(const QString& fileName) {
    cancel();
    if (fileName.isEmpty())
        return false;
    m_target = QFile::encodeName(resolvedTarget(fileName)).toStdString();
    mode_t mode = 0;
    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) == 0) {
        // Only a regular file can be replaced by the written one.
        if (!S_ISREG(existing.st_mode))
            return false;
        mode = existing.st_mode & 07777;
    } else if (errno == ENOENT) {
        mode = newFileMode();
    } else {
        return false;
    }
    m_temp = m_target + ".XXXXXX";
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_temp.clear();
        return false;
    }
    if (::fchmod(m_fd, mode) != 0) {
        cancel();
        return false;
    }
    m_ok = true;
    return true;
}

bool OutputFile::write(std::string& bytes) {
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (m_fd >= 0 && m_ok && left > 0) {
        const ssize_t done = ::write(m_fd, p, left);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            m_ok = false;
            break;
        }
        p += done;
        left -= static_cast<std::size_t>(done);
    }
    bytes.clear();
    return m_fd >= 0 && m_ok;
}

bool OutputFile::commit() {
    if (m_fd < 0)
        return false;
    bool done = m_ok;
    if (done && m_sync == Sync::Durable)
        done = ::fsync(m_fd) == 0;
    // close() reports delayed write errors (NFS, quotas) that write() did not.
    done = ::close(m_fd) == 0 && done;
    m_fd = -1;
    if (done)
        done = std::rename(m_temp.c_str(), m_target.c_str()) == 0;
    if (!done)
        ::unlink(m_temp.c_str());
    m_temp.clear();
    m_ok = false;
    return done;
}

void OutputFile::cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_temp.c_str());
    }
    m_temp.clear();
    m_ok = false;
}
