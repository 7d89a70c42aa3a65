#include "encoding/fileaccess.h"

#include "encoding/platform.h"

#include <cerrno>
#include <cstring>

namespace enc {
namespace {

testing::ReadCall g_read = platform::Read;
testing::ReadAtCall g_readAt = platform::ReadAtMost;

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
    case FileFault::Busy:
        return "another file is being read";
    case FileFault::NoCopy:
        return std::string("no copy of the file can be kept while it is written in place: ") +
               std::strerror(result.error);
    }
    return {};
}

FileResult CheckInputFile(const std::string& path) {
    NativeFile file = kNoFile;
    const FileResult result = OpenRegularFile(path, file);
    if (file != kNoFile)
        platform::Close(file);
    return result;
}

std::ptrdiff_t ReadSome(NativeFile file, std::uint8_t* dst, std::size_t n) {
    for (;;) {
        const std::ptrdiff_t got = g_read(file, dst, n);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

std::ptrdiff_t ReadSomeAt(NativeFile file, std::uint8_t* dst, std::size_t n, std::uint64_t at) {
    for (;;) {
        const std::ptrdiff_t got = g_readAt(file, dst, n, at);
        if (got >= 0 || errno != EINTR)
            return got;
    }
}

namespace testing {
ReadCall SetReadCall(ReadCall call) {
    const ReadCall previous = g_read;
    g_read = call ? call : platform::Read;
    return previous;
}
ReadAtCall SetReadAtCall(ReadAtCall call) {
    const ReadAtCall previous = g_readAt;
    g_readAt = call ? call : platform::ReadAtMost;
    return previous;
}
} // namespace testing

} // namespace enc
