// File access on POSIX systems (Linux and the like): see platform.h.
#if !defined(_WIN32)

#include "encoding/pendingnames.h"
#include "encoding/platform.h"

#include <algorithm>
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
#include <new>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace enc {
namespace {

FileStamp stampOf(const struct stat& st) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = static_cast<std::uint64_t>(st.st_dev);
    stamp.inode = static_cast<std::uint64_t>(st.st_ino);
    stamp.size = static_cast<std::uint64_t>(st.st_size);
    stamp.modifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 +
                       static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    return stamp;
}

FileResult lastError() {
    return FileResult::fromErrno(errno);
}

// The names of the temporary files being written, for the signal handler.
PendingNames<char, PATH_MAX> g_pending;

// While a write in place runs, a signal is noted here and acted on when the write is done. The
// signal mask holds it for the writing thread; the flag holds it for the others.
std::atomic<bool> g_holding{false};
std::atomic<int> g_held{0};
sigset_t g_maskBeforeHold;
int g_holdDepth = 0; // holds not yet released, on the thread that holds

void catchSignal(int signal);

extern "C" void removePendingTemporaries(int signal) {
    if (g_holding.load()) {
        g_held.store(signal);
        catchSignal(signal); // SA_RESETHAND put the default action back
        return;
    }
    g_pending.forEach([](const char* path) { ::unlink(path); });
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
        catchSignal(signal);
    }
}

void catchSignal(int signal) {
    struct sigaction action {};
    action.sa_handler = removePendingTemporaries;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(signal, &action, nullptr);
}

sigset_t endSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

mode_t newFileMode() {
    // The umask can only be read by setting it; put it straight back.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Opens `path` with `flags`, again when a signal interrupts the call, and checks that what was
// opened is a regular file: the name may have been given to something else since the stat.
FileResult openRegular(const std::string& path, int flags, struct stat& st, int& opened) {
    do {
        opened = ::open(path.c_str(), flags);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return lastError();
    if (::fstat(opened, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(opened);
        opened = -1;
        return FileResult::notRegular();
    }
    return {};
}

} // namespace

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return stampOf(st);
}

FileResult OpenRegularFile(const std::string& path, NativeFile& file, FileStamp* stamp) {
    file = kNoFile;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return lastError();
    if (!S_ISREG(st.st_mode))
        return FileResult::notRegular();
    int opened = -1;
    if (const FileResult why =
            openRegular(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, st, opened);
        !why)
        return why;
    const int flags = ::fcntl(opened, F_GETFL);
    if (flags >= 0)
        ::fcntl(opened, F_SETFL, flags & ~O_NONBLOCK);
    if (stamp)
        *stamp = stampOf(st);
    file = opened;
    return {};
}

std::uint64_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

namespace platform {

std::ptrdiff_t Read(NativeFile file, void* dst, std::size_t n) {
    return ::read(file, dst, n);
}

std::ptrdiff_t ReadAtMost(NativeFile file, void* dst, std::size_t n, std::uint64_t at) {
    return ::pread(file, dst, n, static_cast<off_t>(at));
}

FileResult Close(NativeFile file) {
    return ::close(file) == 0 ? FileResult{} : lastError();
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string ResolveLinks(const std::string& path) {
    // Follow the chain of links one by one, so a link to a file that does not exist yet still
    // names the file to create; a loop of links gives up and writes the name itself.
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return at;
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(at.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<std::size_t>(n) >= target.size())
            return at;
        std::string next(target.data(), static_cast<std::size_t>(n));
        if (next.empty())
            return at;
        at = next.front() == '/' || at.find('/') == std::string::npos ? next
                                                                      : Joined(FolderOf(at), next);
    }
    return path;
}

FileResult OpenTarget(const std::string& path, NativeFile& file, Target& target) {
    file = kNoFile;
    target = {};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT ? FileResult{} : lastError();
    if (!S_ISREG(st.st_mode))
        return FileResult::notRegular();
    // Opening the file for writing (without cutting it) is the true test of the right to
    // write it: a file the user may not write is refused here, before anything is created.
    int opened = -1;
    if (const FileResult why =
            openRegular(path, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC, st, opened);
        !why)
        return why;
    file = opened;
    target.exists = true;
    target.links = static_cast<std::uint64_t>(st.st_nlink);
    target.mode = static_cast<std::uint32_t>(st.st_mode);
    target.owner = static_cast<std::uint64_t>(st.st_uid);
    target.group = static_cast<std::uint64_t>(st.st_gid);
    return {};
}

bool FolderWritable(const std::string& folder) {
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

FileResult CreateUnique(std::string& name, NativeFile& file) {
    file = ::mkostemp(name.data(), O_CLOEXEC);
    return file >= 0 ? FileResult{} : lastError();
}

namespace {

// The names of a file's extended attributes (none where the file system keeps none); false
// when they cannot be listed.
bool attributeNames(int fd, std::vector<std::string>& names) {
    names.clear();
    for (;;) {
        const ssize_t size = ::flistxattr(fd, nullptr, 0);
        if (size < 0)
            return errno == ENOTSUP;
        std::vector<char> list(static_cast<std::size_t>(size));
        const ssize_t got = size == 0 ? 0 : ::flistxattr(fd, list.data(), list.size());
        if (got < 0 && errno == ERANGE)
            continue; // an attribute was added meanwhile
        if (got < 0)
            return false;
        for (std::size_t at = 0; at < static_cast<std::size_t>(got);) {
            names.emplace_back(list.data() + at);
            at += names.back().size() + 1;
        }
        return true;
    }
}

// Gives `to` the extended attributes of `from`, and only those.
bool copyAttributes(int from, int to) {
    std::vector<std::string> wanted;
    std::vector<std::string> present;
    if (!attributeNames(from, wanted) || !attributeNames(to, present))
        return false;
    for (const std::string& name : present) {
        if (std::find(wanted.begin(), wanted.end(), name) == wanted.end() &&
            ::fremovexattr(to, name.c_str()) != 0 && errno != ENODATA)
            return false;
    }
    std::vector<char> value;
    for (const std::string& name : wanted) {
        ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (size < 0 && errno == ENODATA)
            continue; // removed meanwhile
        if (size < 0)
            return false;
        value.resize(static_cast<std::size_t>(size) + 1);
        size = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (size < 0 || ::fsetxattr(to, name.c_str(), value.data(), std::size_t(size), 0) != 0)
            return false;
    }
    return true;
}

} // namespace

FileResult MatchTarget(NativeFile file, const Target* target, NativeFile targetFile) {
    bool kept = true;
    if (target) {
        // The new file must be what the old one was: same owner and group (before the mode, as
        // a change of owner clears the set-user-ID bits), same mode, then the same attributes
        // (an ACL last: it sets the group bits of the mode to its mask).
        const auto owner = static_cast<uid_t>(target->owner);
        const auto group = static_cast<gid_t>(target->group);
        struct stat made {};
        kept = ::fstat(file, &made) == 0;
        if (kept && (made.st_uid != owner || made.st_gid != group))
            kept = ::fchown(file, owner, group) == 0;
        kept = kept && ::fchmod(file, static_cast<mode_t>(target->mode) & 07777) == 0;
        kept = kept && (targetFile == kNoFile || copyAttributes(targetFile, file));
    } else {
        kept = ::fchmod(file, newFileMode()) == 0;
    }
    return kept ? FileResult{} : lastError();
}

FileResult OpenSpool(const std::string& folder, const std::string& stem, NativeFile& file) {
    // Beside the target when its folder takes an unnamed file, else in the temporary folder.
    file = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (file >= 0)
        return {};
    const char* tmp = std::getenv("TMPDIR");
    std::string name = Joined(tmp && *tmp ? tmp : "/tmp", stem + "XXXXXX");
    file = ::mkostemp(name.data(), O_CLOEXEC);
    if (file < 0)
        return lastError();
    ::unlink(name.c_str());
    return {};
}

FileResult WriteAt(NativeFile file, const char* data, std::size_t n, std::uint64_t at) {
    while (n > 0) {
        const ssize_t done = ::pwrite(file, data, n, static_cast<off_t>(at));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return done == 0 ? FileResult::fromErrno(EIO) : lastError();
        data += done;
        n -= static_cast<std::size_t>(done);
        at += static_cast<std::uint64_t>(done);
    }
    return {};
}

FileResult ReadAt(NativeFile file, char* dst, std::size_t n, std::uint64_t at, std::size_t& got) {
    got = 0;
    for (;;) {
        const ssize_t done = ::pread(file, dst, n, static_cast<off_t>(at));
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return done == 0 ? FileResult::fromErrno(EIO) : lastError();
        got = static_cast<std::size_t>(done);
        return {};
    }
}

FileResult Reserve(NativeFile file, std::uint64_t size) {
    // Without support for it in the file system the reservation is skipped.
    if (::fallocate(file, 0, 0, static_cast<off_t>(size)) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS && errno != EINVAL)
        return lastError();
    return {};
}

FileResult Truncate(NativeFile file, std::uint64_t size) {
    return ::ftruncate(file, static_cast<off_t>(size)) == 0 ? FileResult{} : lastError();
}

FileResult Sync(NativeFile file) {
    return ::fsync(file) == 0 ? FileResult{} : lastError();
}

void StartWriteBack(NativeFile file, std::uint64_t offset, std::uint64_t size) {
#if defined(__linux__)
    ::sync_file_range(file, off64_t(offset), off64_t(size), SYNC_FILE_RANGE_WRITE);
#else
    (void)file;
    (void)offset;
    (void)size;
#endif
}

FileResult Replace(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? FileResult{} : lastError();
}

void Remove(const std::string& path) {
    ::unlink(path.c_str());
}

std::int64_t BirthOf(const std::string& path) {
    struct statx st {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME, &st) != 0 ||
        (st.stx_mask & STATX_BTIME) == 0)
        return 0;
    return static_cast<std::int64_t>(st.stx_btime.tv_sec) * 1'000'000'000 + st.stx_btime.tv_nsec;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return names;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st {};
        if (::fstatat(dirFd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
            names.emplace_back(entry->d_name);
    }
    ::closedir(dir);
    return names;
}

namespace {

// Makes the folder `path` readable by the user alone, creating it when missing; false when it
// is not a folder of the user's own.
bool ownPrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & 07777) == 0700 || ::chmod(path.c_str(), 0700) == 0;
}

} // namespace

std::string StateFolder() {
    std::string base;
    if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state == '/') {
        base = state;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || *home != '/')
            return {};
        // The folders above the state folder are made as private as it, as a first start
        // in a fresh home finds none of them.
        base = Joined(home, ".local");
        if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
            return {};
        base = Joined(base, "state");
    }
    if (::mkdir(base.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    const std::string folder = Joined(base, "toviloeditru");
    return ownPrivateFolder(folder) ? folder : std::string();
}

std::uint64_t ProcessId() {
    return static_cast<std::uint64_t>(::getpid());
}

bool ProcessGone(std::uint64_t id) {
    // EPERM: the process runs, under another user.
    return id == 0 || id > std::uint64_t(INT_MAX) ||
           (::kill(static_cast<pid_t>(id), 0) != 0 && errno == ESRCH);
}

void HoldEndSignals() {
    installSignalCleanup();
    if (g_holdDepth++ > 0)
        return;
    const sigset_t set = endSignals();
    ::pthread_sigmask(SIG_BLOCK, &set, &g_maskBeforeHold);
    g_holding.store(true);
}

void ReleaseEndSignals() {
    if (g_holdDepth == 0 || --g_holdDepth > 0)
        return;
    g_holding.store(false);
    // A signal held by the mask arrives as the mask goes back; one that another thread noted
    // is raised again.
    ::pthread_sigmask(SIG_SETMASK, &g_maskBeforeHold, nullptr);
    if (const int signal = g_held.exchange(0))
        ::raise(signal);
}

void IgnoreFileSizeSignal() {
    ::signal(SIGXFSZ, SIG_IGN);
}

int WatchTemporary(const std::string& path) {
    installSignalCleanup();
    return g_pending.add(path);
}

void UnwatchTemporary(int slot) {
    g_pending.remove(slot);
}

} // namespace platform
} // namespace enc

#endif
