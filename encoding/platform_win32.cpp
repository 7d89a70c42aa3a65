// File access on Windows through the Win32 API: see platform.h. Names arrive as UTF-8 and are
// converted to UTF-16; system errors are given as the nearest errno value.
#if defined(_WIN32)

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include "encoding/pendingnames.h"
#include "encoding/platform.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <new>
#include <string>
#include <vector>
#include <windows.h>

namespace enc {
namespace {

// 100 ns steps between 1601-01-01 (FILETIME) and 1970-01-01.
constexpr std::int64_t kUnixEpochTicks = 116444736000000000LL;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
// The most a single ReadFile or WriteFile is asked for.
constexpr DWORD kMaxTransfer = 1u << 30;

int errnoOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_NO_UNICODE_TRANSLATION:
        return EILSEQ;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_NOT_SUPPORTED:
    case ERROR_CALL_NOT_IMPLEMENTED:
        return ENOSYS;
    default:
        return EIO;
    }
}

FileResult lastError() {
    return FileResult::fromErrno(errnoOf(::GetLastError()));
}

// The UTF-16 form of a UTF-8 name; false (with EILSEQ) when the bytes are not UTF-8, so that a
// name is never turned into another one.
bool widen(const std::string& name, std::wstring& wide) {
    wide.clear();
    if (name.empty())
        return true;
    const int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(),
                                        static_cast<int>(name.size()), nullptr, 0);
    if (n <= 0) {
        errno = EILSEQ;
        return false;
    }
    wide.resize(static_cast<std::size_t>(n));
    ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name.data(), static_cast<int>(name.size()),
                          wide.data(), n);
    return true;
}

std::string narrow(const wchar_t* wide, std::size_t length) {
    if (length == 0)
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                        nullptr, nullptr);
    std::string name(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        ::WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), name.data(), n, nullptr,
                              nullptr);
    return name;
}

std::uint64_t joined64(DWORD high, DWORD low) {
    return static_cast<std::uint64_t>(high) << 32 | low;
}

std::int64_t ticksOf(const FILETIME& time) {
    return static_cast<std::int64_t>(joined64(time.dwHighDateTime, time.dwLowDateTime));
}

FileStamp stampOf(const BY_HANDLE_FILE_INFORMATION& info) {
    FileStamp stamp;
    stamp.exists = true;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.inode = joined64(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.size = joined64(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modifiedNs = (ticksOf(info.ftLastWriteTime) - kUnixEpochTicks) * 100;
    return stamp;
}

OVERLAPPED at(std::uint64_t offset) {
    OVERLAPPED where{};
    where.Offset = static_cast<DWORD>(offset & 0xFFFFFFFFu);
    where.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return where;
}

bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

// Letters and digits for unique names, different from call to call and from process to
// process. Uniqueness itself comes from creating the file with CREATE_NEW.
char randomLetter() {
    static std::atomic<std::uint64_t> counter{0};
    LARGE_INTEGER now{};
    ::QueryPerformanceCounter(&now);
    std::uint64_t x = static_cast<std::uint64_t>(now.QuadPart) ^
                      (static_cast<std::uint64_t>(::GetCurrentProcessId()) << 32) ^
                      (counter.fetch_add(1) * 0x9E3779B97F4A7C15ull);
    x ^= x >> 30;
    x *= 0xBF58476D1CE4E5B9ull;
    x ^= x >> 27;
    x *= 0x94D049BB133111EBull;
    x ^= x >> 31;
    constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    return kLetters[x % (sizeof kLetters - 1)];
}

// Creates `name` (its last six characters replaced) with CREATE_NEW, trying other letters
// while the name is taken.
FileResult createNew(std::string& name, DWORD attributes, NativeFile& file) {
    file = kNoFile;
    if (name.size() < 6)
        return FileResult::fromErrno(EINVAL);
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = name.size() - 6; i < name.size(); ++i)
            name[i] = randomLetter();
        std::wstring wide;
        if (!widen(name, wide))
            return FileResult::fromErrno(EILSEQ);
        const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                       nullptr, CREATE_NEW, attributes, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            file = h;
            return {};
        }
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return FileResult::fromErrno(errnoOf(error));
    }
    return FileResult::fromErrno(EEXIST);
}

// The names removed when the console asks the program to end; the handler runs on a thread of
// its own while the program goes on.
PendingNames<wchar_t, MAX_PATH * 4> g_pending;

BOOL WINAPI removePendingTemporaries(DWORD) {
    g_pending.forEach([](const wchar_t* path) { ::DeleteFileW(path); });
    // Not handled: the next handler (at last the system's) ends the program as usual.
    return FALSE;
}

// Opens a file with `access` and `flags` and checks that it is a file on a disk: a pipe or a
// character device (CON, NUL, COM1) is never read or written, nor a folder.
FileResult openOnDisk(const std::wstring& wide, DWORD access, DWORD flags,
                      BY_HANDLE_FILE_INFORMATION& info, HANDLE& h) {
    h = ::CreateFileW(wide.c_str(), access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return lastError();
    if (::GetFileType(h) != FILE_TYPE_DISK || ::GetFileInformationByHandle(h, &info) == 0 ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(h);
        h = INVALID_HANDLE_VALUE;
        return FileResult::notRegular();
    }
    return {};
}

} // namespace

FileStamp StampOf(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide))
        return {};
    // No access asked for: the stamp of a file that is open elsewhere can still be read.
    const HANDLE h = ::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = ::GetFileInformationByHandle(h, &info) != 0;
    ::CloseHandle(h);
    return known ? stampOf(info) : FileStamp{};
}

FileResult OpenRegularFile(const std::string& path, NativeFile& file, FileStamp* stamp) {
    file = kNoFile;
    std::wstring wide;
    if (!widen(path, wide))
        return FileResult::fromErrno(EILSEQ);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return lastError();
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return FileResult::notRegular();
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE h = INVALID_HANDLE_VALUE;
    if (const FileResult why = openOnDisk(
            wide, GENERIC_READ, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, info, h);
        !why)
        return why;
    if (stamp)
        *stamp = stampOf(info);
    file = h;
    return {};
}

std::uint64_t PhysicalMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (::GlobalMemoryStatusEx(&status) == 0)
        return 0;
    return status.ullTotalPhys;
}

namespace platform {

std::ptrdiff_t Read(NativeFile file, void* dst, std::size_t n) {
    DWORD got = 0;
    const DWORD ask = n > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(n);
    if (::ReadFile(file, dst, ask, &got, nullptr) != 0)
        return static_cast<std::ptrdiff_t>(got);
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF || error == ERROR_BROKEN_PIPE)
        return 0;
    errno = errnoOf(error);
    return -1;
}

std::ptrdiff_t ReadAtMost(NativeFile file, void* dst, std::size_t n, std::uint64_t offset) {
    OVERLAPPED where = at(offset);
    DWORD got = 0;
    const DWORD ask = n > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(n);
    if (::ReadFile(file, dst, ask, &got, &where) != 0)
        return static_cast<std::ptrdiff_t>(got);
    const DWORD error = ::GetLastError();
    if (error == ERROR_HANDLE_EOF)
        return 0;
    errno = errnoOf(error);
    return -1;
}

FileResult Close(NativeFile file) {
    return ::CloseHandle(file) != 0 ? FileResult{} : lastError();
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos)
        return ".";
    // The root of the drive or of the current drive keeps its separator: "C:\", "\".
    if (slash == 0 || (slash == 2 && path[1] == ':'))
        return path.substr(0, slash + 1);
    return path.substr(0, slash);
}

std::string BaseOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string Joined(const std::string& folder, const std::string& name) {
    if (folder.empty())
        return name;
    return isSeparator(folder.back()) ? folder + name : folder + "\\" + name;
}

std::string ResolveLinks(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide))
        return path;
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0)
        return path;
    // A link: the name of the file it leads to, as the system resolves it. A link to nothing
    // cannot be opened and is written under its own name.
    const HANDLE h = ::CreateFileW(wide.c_str(), 0, kShareAll, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return path;
    std::wstring final(MAX_PATH, L'\0');
    DWORD n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                          FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n >= final.size()) {
        final.resize(n + 1);
        n = ::GetFinalPathNameByHandleW(h, final.data(), static_cast<DWORD>(final.size()),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    }
    ::CloseHandle(h);
    if (n == 0 || n >= final.size())
        return path;
    final.resize(n);
    // "\\?\C:\x" is "C:\x", "\\?\UNC\server\share" is "\\server\share".
    if (final.starts_with(L"\\\\?\\UNC\\"))
        final = L"\\\\" + final.substr(8);
    else if (final.starts_with(L"\\\\?\\"))
        final = final.substr(4);
    return narrow(final.data(), final.size());
}

FileResult OpenTarget(const std::string& path, NativeFile& file, Target& target) {
    file = kNoFile;
    target = {};
    std::wstring wide;
    if (!widen(path, wide))
        return FileResult::fromErrno(EILSEQ);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const FileResult looked = lastError();
        return looked.missing() ? FileResult{} : looked;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return FileResult::notRegular();
    // Opening the file for writing is the true test of the right to write it (a read-only file
    // is refused here, before anything is created).
    BY_HANDLE_FILE_INFORMATION info{};
    HANDLE h = INVALID_HANDLE_VALUE;
    if (const FileResult why = openOnDisk(wide, GENERIC_WRITE, FILE_ATTRIBUTE_NORMAL, info, h);
        !why)
        return why;
    file = h;
    target.exists = true;
    target.links = info.nNumberOfLinks;
    return {};
}

bool FolderWritable(const std::string&) {
    return true;
}

FileResult CreateUnique(std::string& name, NativeFile& file) {
    return createNew(name, FILE_ATTRIBUTE_NORMAL, file);
}

FileResult MatchTarget(NativeFile, const Target*, NativeFile) {
    return {};
}

FileResult OpenSpool(const std::string& folder, const std::string& stem, NativeFile& file) {
    // Deleted by the system when it is closed, whatever ends the program.
    constexpr DWORD kScratch = FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE;
    std::string name = Joined(folder, stem + "XXXXXX");
    if (createNew(name, kScratch, file))
        return {};
    wchar_t temp[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        return lastError();
    name = Joined(narrow(temp, n), stem + "XXXXXX");
    return createNew(name, kScratch, file);
}

FileResult WriteAt(NativeFile file, const char* data, std::size_t n, std::uint64_t offset) {
    while (n > 0) {
        OVERLAPPED where = at(offset);
        DWORD done = 0;
        const DWORD ask = n > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(n);
        if (::WriteFile(file, data, ask, &done, &where) == 0)
            return lastError();
        if (done == 0)
            return FileResult::fromErrno(EIO);
        data += done;
        n -= done;
        offset += done;
    }
    return {};
}

FileResult ReadAt(NativeFile file, char* dst, std::size_t n, std::uint64_t offset,
                  std::size_t& got) {
    got = 0;
    OVERLAPPED where = at(offset);
    DWORD done = 0;
    const DWORD ask = n > kMaxTransfer ? kMaxTransfer : static_cast<DWORD>(n);
    if (::ReadFile(file, dst, ask, &done, &where) == 0 && ::GetLastError() != ERROR_HANDLE_EOF)
        return lastError();
    if (done == 0)
        return FileResult::fromErrno(EIO);
    got = done;
    return {};
}

FileResult Reserve(NativeFile file, std::uint64_t size) {
    FILE_ALLOCATION_INFO room{};
    room.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
    if (::SetFileInformationByHandle(file, FileAllocationInfo, &room, sizeof room) != 0)
        return {};
    // Only a full disk counts; a file system that cannot reserve is not asked again.
    const DWORD error = ::GetLastError();
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL)
        return FileResult::fromErrno(ENOSPC);
    return {};
}

FileResult Truncate(NativeFile file, std::uint64_t size) {
    FILE_END_OF_FILE_INFO end{};
    end.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    return ::SetFileInformationByHandle(file, FileEndOfFileInfo, &end, sizeof end) != 0
               ? FileResult{}
               : lastError();
}

FileResult Sync(NativeFile file) {
    return ::FlushFileBuffers(file) != 0 ? FileResult{} : lastError();
}

void StartWriteBack(NativeFile, std::uint64_t, std::uint64_t) {}

FileResult Replace(const std::string& from, const std::string& to) {
    std::wstring wideFrom;
    std::wstring wideTo;
    if (!widen(from, wideFrom) || !widen(to, wideTo))
        return FileResult::fromErrno(EILSEQ);
    // ReplaceFileW keeps what the old file was: its security, attributes and creation time.
    if (::ReplaceFileW(wideTo.c_str(), wideFrom.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                       nullptr, nullptr) != 0)
        return {};
    const DWORD error = ::GetLastError();
    // No old file (a new one, or the old one removed meanwhile): a plain move takes its place.
    // ERROR_UNABLE_TO_MOVE_REPLACEMENT leaves the old file gone and the new one under its
    // temporary name, which the move then finishes.
    if (error != ERROR_FILE_NOT_FOUND && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT)
        return FileResult::fromErrno(errnoOf(error));
    return ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0
               ? FileResult{}
               : lastError();
}

void Remove(const std::string& path) {
    std::wstring wide;
    if (widen(path, wide))
        ::DeleteFileW(wide.c_str());
}

std::int64_t BirthOf(const std::string& path) {
    std::wstring wide;
    if (!widen(path, wide))
        return 0;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (::GetFileAttributesExW(wide.c_str(), GetFileExInfoStandard, &data) == 0)
        return 0;
    return (ticksOf(data.ftCreationTime) - kUnixEpochTicks) * 100;
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::wstring pattern;
    if (!widen(Joined(folder, "*"), pattern))
        return names;
    WIN32_FIND_DATAW entry{};
    const HANDLE find = ::FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
            0)
            continue;
        const std::wstring_view wideName(entry.cFileName);
        names.push_back(narrow(wideName.data(), wideName.size()));
    } while (::FindNextFileW(find, &entry) != 0);
    ::FindClose(find);
    return names;
}

std::string StateFolder() {
    // The user's local application data is the user's own; its folders inherit that.
    wchar_t local[MAX_PATH + 1];
    const DWORD n = ::GetEnvironmentVariableW(L"LOCALAPPDATA", local, MAX_PATH + 1);
    if (n == 0 || n > MAX_PATH)
        return {};
    std::string folder = narrow(local, n);
    for (const char* part : {"toviloeditru", "state"}) {
        folder = Joined(folder, part);
        std::wstring wide;
        if (!widen(folder, wide) || (::CreateDirectoryW(wide.c_str(), nullptr) == 0 &&
                                     ::GetLastError() != ERROR_ALREADY_EXISTS))
            return {};
    }
    return folder;
}

std::uint64_t ProcessId() {
    return ::GetCurrentProcessId();
}

bool ProcessGone(std::uint64_t id) {
    const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
    if (process == nullptr)
        return ::GetLastError() == ERROR_INVALID_PARAMETER; // no process has this id
    const bool ended = ::WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ::CloseHandle(process);
    return ended;
}

void IgnoreFileSizeSignal() {}

int WatchTemporary(const std::string& path) {
    static const bool installed = ::SetConsoleCtrlHandler(removePendingTemporaries, TRUE) != 0;
    (void)installed;
    std::wstring wide;
    if (!widen(path, wide))
        return -1;
    return g_pending.add(wide);
}

void UnwatchTemporary(int slot) {
    g_pending.remove(slot);
}

void HoldEndSignals() {}

void ReleaseEndSignals() {}

} // namespace platform
} // namespace enc

#endif
