#include "shell/outputfile.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kMarker = ".toviloeditru-";
constexpr std::size_t kRandomLetters = 6;
// A temporary older than this is left over from a program that was killed: saves take less.
constexpr std::time_t kStaleSeconds = 60 * 60;
constexpr std::size_t kCopyBlock = 1 << 20;

// The names of the temporary files being written, for the signal handler: a fixed table that
// the handler reads without allocating or locking. A slot is 0 free, 1 filled in, 2 being
// filled in.
struct PendingName {
    std::atomic<int> state{0};
    char path[PATH_MAX];
};
std::array<PendingName, 8> g_pending;

extern "C" void removePendingTemporaries(int signal) {
    for (PendingName& pending : g_pending) {
        if (pending.state.load() == 1)
            ::unlink(pending.path);
    }
    // The handler was installed with SA_RESETHAND, so the signal, blocked until this returns,
    // then ends the program with its default action, as if it had never been caught.
    ::raise(signal);
}

void installSignalCleanup() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current {};
        // A signal that is ignored (nohup) or handled by someone else is left so.
        if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler != SIG_DFL ||
            (current.sa_flags & SA_SIGINFO) != 0)
            continue;
        struct sigaction action {};
        action.sa_handler = removePendingTemporaries;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

// Enters a temporary file's name in the table; the slot, or -1 when it cannot be entered.
int registerTemporary(const std::string& path) {
    installSignalCleanup();
    if (path.size() >= PATH_MAX)
        return -1;
    for (std::size_t i = 0; i < g_pending.size(); ++i) {
        int expected = 0;
        if (g_pending[i].state.compare_exchange_strong(expected, 2)) {
            path.copy(g_pending[i].path, path.size());
            g_pending[i].path[path.size()] = '\0';
            g_pending[i].state.store(1);
            return static_cast<int>(i);
        }
    }
    return -1;
}

void unregisterTemporary(int& slot) {
    if (slot >= 0)
        g_pending[static_cast<std::size_t>(slot)].state.store(0);
    slot = -1;
}

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

mode_t newFileMode() {
    // The umask can only be read by setting it; put it straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Removes the temporaries of ours in `folder` that are older than an hour.
void removeStaleTemporaries(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::time_t now = std::time(nullptr);
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        if (!OutputFile::isTemporaryName(entry->d_name))
            continue;
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == ::geteuid() && st.st_mtime < now - kStaleSeconds)
            ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::closedir(dir);
}

bool writeAll(int fd, const char* p, std::size_t n, off_t at) {
    while (n > 0) {
        const ssize_t done = ::pwrite(fd, p, n, at);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0) {
            if (done == 0)
                errno = EIO;
            return false;
        }
        p += done;
        n -= static_cast<std::size_t>(done);
        at += done;
    }
    return true;
}

} // namespace

OutputFile::OutputFile(Sync sync) : m_sync(sync) {}

OutputFile::~OutputFile() {
    cancel();
}

std::string OutputFile::resolvedTarget(const std::string& fileName) {
    // Follow the chain of links one by one, so a link to a file that does not exist yet still
    // names the file to create; a loop of links gives up and writes the name itself.
    std::string path = fileName;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return path;
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return path;
        std::string next(target.data(), static_cast<std::size_t>(n));
        if (next.empty())
            return path;
        path = next.front() == '/' || path.find('/') == std::string::npos
                   ? next
                   : joined(folderOf(path), next);
    }
    return fileName;
}

bool OutputFile::isTemporaryName(std::string_view name) {
    const std::size_t tail = kMarker.size() + kRandomLetters;
    if (name.size() < 1 + tail || name.front() != '.')
        return false;
    const std::string_view end = name.substr(name.size() - tail);
    if (!end.starts_with(kMarker))
        return false;
    for (const char c : end.substr(kMarker.size())) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    }
    return true;
}

bool OutputFile::fail(enc::FileResult result) {
    m_result = result;
    cancel();
    return false;
}

bool OutputFile::open(const std::string& fileName) {
    cancel();
    m_result = {};
    m_size = 0;
    m_mode = Mode::Replace;
    if (fileName.empty())
        return fail(enc::FileResult::fromErrno(ENOENT));
    m_target = resolvedTarget(fileName);
    const std::string folder = folderOf(m_target);
    removeStaleTemporaries(folder);

    struct stat existing {};
    if (::stat(m_target.c_str(), &existing) != 0) {
        if (errno != ENOENT)
            return fail(enc::FileResult::fromErrno(errno));
        return createTemporary(folder, nullptr) || fail(m_result);
    }
    if (!S_ISREG(existing.st_mode))
        return fail(enc::FileResult::notRegular());
    // Opening the file for writing (without cutting it) is the true test of the right to
    // write it: a file the user may not write is refused here, before anything is created.
    do {
        m_targetFd = ::open(m_target.c_str(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (m_targetFd < 0 && errno == EINTR);
    if (m_targetFd < 0)
        return fail(enc::FileResult::fromErrno(errno));
    if (::fstat(m_targetFd, &existing) != 0 || !S_ISREG(existing.st_mode))
        return fail(enc::FileResult::notRegular());
    const bool folderWritable = ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
    if (folderWritable && existing.st_nlink == 1 && createTemporary(folder, &existing)) {
        ::close(m_targetFd);
        m_targetFd = -1;
        return true;
    }
    m_result = {};
    m_mode = Mode::InPlace;
    return openSpool(folder) || fail(m_result);
}

bool OutputFile::createTemporary(const std::string& folder, const struct stat* existing) {
    std::string base = baseOf(m_target);
    const std::size_t room = NAME_MAX - 1 - kMarker.size() - kRandomLetters;
    if (base.size() > room)
        base.resize(room);
    m_temp = joined(folder, "." + base + std::string(kMarker) + "XXXXXX");
    m_fd = ::mkostemp(m_temp.data(), O_CLOEXEC);
    if (m_fd < 0) {
        m_result = enc::FileResult::fromErrno(errno);
        m_temp.clear();
        return false;
    }
    m_slot = registerTemporary(m_temp);
    bool kept = true;
    if (existing) {
        // The new file must be what the old one was: same owner and group (before the mode, as
        // a change of owner clears the set-user-ID bits), same mode.
        struct stat made {};
        kept = ::fstat(m_fd, &made) == 0;
        if (kept && (made.st_uid != existing->st_uid || made.st_gid != existing->st_gid))
            kept = ::fchown(m_fd, existing->st_uid, existing->st_gid) == 0;
        kept = kept && ::fchmod(m_fd, existing->st_mode & 07777) == 0;
    } else {
        kept = ::fchmod(m_fd, newFileMode()) == 0;
    }
    if (!kept) {
        m_result = enc::FileResult::fromErrno(errno);
        ::close(m_fd);
        m_fd = -1;
        ::unlink(m_temp.c_str());
        unregisterTemporary(m_slot);
        m_temp.clear();
        return false;
    }
    m_ok = true;
    return true;
}

bool OutputFile::openSpool(const std::string& folder) {
    // An unnamed file: nothing is left behind whatever ends the program. Beside the target when
    // its folder takes one, else in the temporary folder.
    m_fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (m_fd < 0) {
        const char* tmp = std::getenv("TMPDIR");
        std::string name =
            joined(tmp && *tmp ? tmp : "/tmp", ".spool" + std::string(kMarker) + "XXXXXX");
        m_fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (m_fd < 0) {
            m_result = enc::FileResult::fromErrno(errno);
            return false;
        }
        ::unlink(name.c_str());
    }
    m_ok = true;
    return true;
}

bool OutputFile::write(std::string& bytes) {
    if (m_fd >= 0 && m_ok && !bytes.empty()) {
        if (writeAll(m_fd, bytes.data(), bytes.size(), static_cast<off_t>(m_size))) {
            m_size += bytes.size();
        } else {
            m_ok = false;
            m_result = enc::FileResult::fromErrno(errno);
        }
    }
    bytes.clear();
    return m_fd >= 0 && m_ok;
}

bool OutputFile::copySpoolToTarget() {
    // Reserve the room first: a full disk is found before the first old byte is overwritten.
    if (m_size > 0) {
        // Without support for it in the file system the reservation is skipped.
        if (::fallocate(m_targetFd, 0, 0, static_cast<off_t>(m_size)) != 0 && errno != EOPNOTSUPP &&
            errno != ENOSYS && errno != EINVAL)
            return false;
    }
    std::vector<char> block(kCopyBlock);
    for (std::uint64_t at = 0; at < m_size;) {
        const ssize_t got = ::pread(m_fd, block.data(), block.size(), static_cast<off_t>(at));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got == 0)
                errno = EIO;
            return false;
        }
        if (!writeAll(m_targetFd, block.data(), static_cast<std::size_t>(got),
                      static_cast<off_t>(at)))
            return false;
        at += static_cast<std::uint64_t>(got);
    }
    if (::ftruncate(m_targetFd, static_cast<off_t>(m_size)) != 0)
        return false;
    return m_sync == Sync::Fast || ::fsync(m_targetFd) == 0;
}

bool OutputFile::commit() {
    if (m_fd < 0)
        return false;
    bool done = m_ok;
    // Each step counts only while all before it went well; the first failure gives the reason.
    const auto step = [&](bool ok) {
        if (done && !ok) {
            m_result = enc::FileResult::fromErrno(errno);
            done = false;
        }
    };
    if (m_mode == Mode::InPlace) {
        if (done)
            step(copySpoolToTarget());
        // close() reports delayed write errors (NFS, quotas) that write() did not.
        step(::close(std::exchange(m_targetFd, -1)) == 0);
        ::close(std::exchange(m_fd, -1));
    } else {
        if (done && m_sync == Sync::Durable)
            step(::fsync(m_fd) == 0);
        step(::close(std::exchange(m_fd, -1)) == 0);
        if (done)
            step(std::rename(m_temp.c_str(), m_target.c_str()) == 0);
        if (!done)
            ::unlink(m_temp.c_str());
        unregisterTemporary(m_slot);
        m_temp.clear();
    }
    m_ok = false;
    return done;
}

void OutputFile::cancel() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
        if (!m_temp.empty())
            ::unlink(m_temp.c_str());
    }
    if (m_targetFd >= 0) {
        ::close(m_targetFd);
        m_targetFd = -1;
    }
    unregisterTemporary(m_slot);
    m_temp.clear();
    m_ok = false;
}
