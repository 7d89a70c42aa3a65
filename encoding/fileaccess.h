#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// How the program looks at and opens the files it reads, and why a file could not be used.
// Paths are byte strings as the system takes them: passed on unchanged on POSIX systems, taken
// as UTF-8 on Windows. The calls to the system itself are in platform.h.
namespace enc {

// An open file of the system: a file descriptor, or a Windows HANDLE.
#if defined(_WIN32)
using NativeFile = void*;
inline constexpr NativeFile kNoFile = nullptr;
#else
using NativeFile = int;
inline constexpr NativeFile kNoFile = -1;
#endif

enum class FileFault : int {
    None = 0,
    System,     // a system call failed; FileResult::error holds its errno value (on Windows
                // the errno value nearest to the system's error)
    NotRegular, // a FIFO, a device, a socket or a folder: never read and never replaced
    TooBig,     // the text would not fit in the machine's memory
    Busy,       // a read of a file was asked for while another one runs
    NoCopy,     // a file to be written in place could not be copied aside first; error holds
                // the errno value of the failed call
};

// The outcome of an operation on a file: nothing failed, or what did.
struct FileResult {
    FileFault fault = FileFault::None;
    int error = 0; // errno of the failed call (System faults only)

    explicit operator bool() const { return fault == FileFault::None; }
    // True when the name does not exist (ENOENT), as against a file that is there but cannot
    // be used.
    bool missing() const;

    static FileResult fromErrno(int error) { return {FileFault::System, error}; }
    static FileResult notRegular() { return {FileFault::NotRegular, 0}; }
    static FileResult tooBig() { return {FileFault::TooBig, 0}; }
    static FileResult busy() { return {FileFault::Busy, 0}; }
    static FileResult noCopy(int error) { return {FileFault::NoCopy, error}; }
};

// The reason in words, for messages: the system's text of the error ("Permission denied",
// "No space left on device"), "not a regular file", "too big for memory" or "no copy of the
// file can be kept while it is written in place" and the system's text; empty when nothing
// failed.
std::string FileReason(const FileResult& result);

// What a file looked like on disk: replacing it, writing to it or deleting it gives another
// stamp. Permission and owner changes do not count.
struct FileStamp {
    bool exists = false;
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of the file a path names (links followed); exists is false when there is none.
FileStamp StampOf(const std::string& path);

// Opens a regular file for reading without ever blocking or reading from anything else: the
// name is looked at first, and the open itself does not wait (O_NONBLOCK), so a FIFO, a device,
// a socket or a folder is refused before it is opened for reading (on Windows: a folder, a
// pipe or a character device such as CON). On success `file` is open (the caller closes it
// with platform::Close) and *stamp, when given, the file's stamp as it was opened.
FileResult OpenRegularFile(const std::string& path, NativeFile& file, FileStamp* stamp = nullptr);

// Whether OpenRegularFile would open the file: it is opened and closed again, nothing read.
FileResult CheckInputFile(const std::string& path);

// One read of the system retried on EINTR: the number of bytes read (0 at the end), or -1
// with errno set.
std::ptrdiff_t ReadSome(NativeFile file, std::uint8_t* dst, std::size_t n);

// The same at offset `at` of the file, for readers that take parts of one file at once.
std::ptrdiff_t ReadSomeAt(NativeFile file, std::uint8_t* dst, std::size_t n, std::uint64_t at);

// The machine's physical memory in bytes (0 when unknown). A text that needs more can never
// be held and is refused before any of it is read.
std::uint64_t PhysicalMemory();

namespace testing {
// The read call behind ReadSome. Tests replace it to make a read fail part way through a file,
// which no ordinary file does on demand. nullptr restores the system's read (platform::Read);
// returns the previous call.
using ReadCall = std::ptrdiff_t (*)(NativeFile file, void* dst, std::size_t n);
ReadCall SetReadCall(ReadCall call);
// The same for the positional read behind ReadSomeAt (platform::ReadAtMost).
using ReadAtCall = std::ptrdiff_t (*)(NativeFile file, void* dst, std::size_t n, std::uint64_t at);
ReadAtCall SetReadAtCall(ReadAtCall call);
} // namespace testing

} // namespace enc
