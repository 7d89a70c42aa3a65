#include "encoding/fileaccess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace enc {
namespace {

std::ptrdiff_t systemRead(int fd, void* dst, std::size_t n) {
    return ::read(fd, dst, n);
}

testing::ReadCall g_read = systemRead;

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

} // namespace

bool FileResult::missing() const {
    return fault == FileFault::System && error == ENOENT;
}

std::string FileReason(const FileResult& result) {
    switch (result.fault) {
    case FileFault::None:
        return {};
    case FileFault::System:
        return std::strerror(result.error);
    case FileFault::NotRegular:
        return "not a regular file";
    case FileFault::TooBig:
        return "too big for memory";
    }
    return {};
}

FileStamp StampOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return {};
    return stampOf(st);
}

FileResult OpenRegularFile(const std::string& path, int& fd, FileStamp* stamp) {
    fd = -1;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return FileResult::fromErrno(errno);
    if (!S_ISREG(st.st_mode))
        return FileResult::notRegular();
    int opened;
    do {
        opened = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    } while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return FileResult::fromErrno(errno);
    // The name may have been given to something else between the two looks.
    if (::fstat(opened, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(opened);
        return FileResult::notRegular();
    }
    const int flags = ::fcntl(opened, F_GETFL);
    if (flags >= 0)
        ::fcntl(opened, F_SETFL, flags & ~O_NONBLOCK);
    if (stamp)
        *stamp = stampOf(st);
    fd = opened;
    return {};
}

FileResult CheckInputFile(const std::string& path) {
    int fd = -1;
    const FileResult result = OpenRegularFile(path, fd);
    if (fd >= 0)
        ::close(fd);
    return result;
}

std::ptrdiff_t ReadSome(int fd, std::uint8_t* dst, std::size_t n) {
    for (;;) {
        const std::ptrdiff_t got = g_read(fd, dst, n);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

std::uint64_t PhysicalMemory() {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long pageSize = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || pageSize <= 0)
        return 0;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(pageSize);
}

namespace testing {
ReadCall SetReadCall(ReadCall call) {
    const ReadCall previous = g_read;
    g_read = call ? call : systemRead;
    return previous;
}
} // namespace testing

} // namespace enc
