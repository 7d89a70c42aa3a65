#pragma once

#include "encoding/fileaccess.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The system's side of file access: every call that the Qt-free code makes to the file
// system goes through here. platform_posix.cpp
// implements it with POSIX calls, platform_win32.cpp with the Win32 API (names are UTF-8 there and
// are converted to UTF-16; a name that is not UTF-8 fails with EILSEQ rather than name another
// file). Each of the two also implements StampOf, OpenRegularFile and PhysicalMemory of
// fileaccess.h.
//
// Failures come back as FileResult holding an errno value; the Windows file gives the errno
// value nearest to the system's error, so the reasons read the same on every system.
namespace enc::platform {

// ---- Reading and closing

// One read at the file's position: the bytes read (0 at the end), or -1 with errno set. Not
// retried on EINTR (ReadSome does that).
std::ptrdiff_t Read(NativeFile file, void* dst, std::size_t n);
// One read of up to n bytes at offset `at`: the bytes read (0 at the end), or -1 with errno set.
// Not retried on EINTR (ReadSomeAt does that). Several threads may read one file this way at
// once; the file's position is left alone on POSIX systems (Windows moves it).
std::ptrdiff_t ReadAtMost(NativeFile file, void* dst, std::size_t n, std::uint64_t at);
// Closes the file; a failure reports a write error that came late (NFS, quotas).
FileResult Close(NativeFile file);

// ---- Names

// The folder of a path ("." for a bare name, the root for a name in the root), the name after
// its last separator, and a name within a folder.
std::string FolderOf(const std::string& path);
std::string BaseOf(const std::string& path);
std::string Joined(const std::string& folder, const std::string& name);
// The longest name of one folder entry, in bytes (POSIX NAME_MAX; Windows takes 255 UTF-16
// units, which 255 bytes of UTF-8 never exceed).
inline constexpr std::size_t kNameMax = 255;
// The file a path names with its symbolic links followed. A link to a file that does not exist
// yet names the file to create; a loop of links gives the path itself.
std::string ResolveLinks(const std::string& path);

// ---- Writing a file as a whole

// What a save needs to know of the file it replaces.
struct Target {
    bool exists = false;
    std::uint64_t links = 1; // names the file has (hard links)
    // Permission bits, owner and group, given to a replacement (POSIX only).
    std::uint32_t mode = 0;
    std::uint64_t owner = 0;
    std::uint64_t group = 0;
};

// Looks at the file a save is to write. A name that does not exist gives success with
// target.exists false and no file open. A folder, a FIFO, a device or a socket is refused
// (NotRegular) without being opened for reading or waited on. An existing file is opened for
// writing without being cut: `file` is then open, and a file the user may not write fails here,
// before anything is created.
FileResult OpenTarget(const std::string& path, NativeFile& file, Target& target);
// Whether the user may make entries in the folder. Windows: always true, and creating the
// temporary file is the test.
bool FolderWritable(const std::string& folder);
// Creates a new, empty file open for reading and writing under `name`, whose last six
// characters ("XXXXXX") are replaced by letters and digits that make the name unused.
FileResult CreateUnique(std::string& name, NativeFile& file);
// Gives a file that will replace `target` the target's owner, group and permission bits and
// then the extended attributes of `targetFile` (the target, open), its ACL among them (Linux
// keeps an ACL in the attribute system.posix_acl_access); attributes the new file has and the
// target lacks (an ACL inherited from the folder) are taken away. A new file (no target) gets
// the usual 0666 less the umask. A failure means the replacement would differ from the target.
// Windows: nothing to do, as Replace carries the old file's security and attributes over, and
// a new file takes its folder's.
FileResult MatchTarget(NativeFile file, const Target* target, NativeFile targetFile);
// Opens a scratch file for reading and writing that has no name left, so nothing stays behind
// whatever ends the program: in `folder` where its file system allows, else in the temporary
// folder (under `stem` and six letters, removed at once, or deleted on close on Windows).
FileResult OpenSpool(const std::string& folder, const std::string& stem, NativeFile& file);
// Writes all n bytes at offset `at`.
FileResult WriteAt(NativeFile file, const char* data, std::size_t n, std::uint64_t at);
// Reads up to n bytes at offset `at` into dst; `got` is at least 1 on success: the end of the
// file at `at` is a failure (EIO), as the caller knows how many bytes are there.
FileResult ReadAt(NativeFile file, char* dst, std::size_t n, std::uint64_t at, std::size_t& got);
// Reserves room on the disk for `size` bytes, so that a full disk shows before the first byte
// is overwritten; file systems that cannot reserve are not asked.
FileResult Reserve(NativeFile file, std::uint64_t size);
// Cuts or extends the file to `size` bytes.
FileResult Truncate(NativeFile file, std::uint64_t size);
// Waits until the file's data is on the disk.
FileResult Sync(NativeFile file);
// Asks the system to start writing the bytes [offset, offset + size) of the file to the disk
// without waiting for them, so that a later Sync has less left to wait for. Does nothing where
// the system offers no such call; a failure shows at the Sync.
void StartWriteBack(NativeFile file, std::uint64_t offset, std::uint64_t size);
// Puts the file `from` in the place of `to` in one step; to's old file goes.
FileResult Replace(const std::string& from, const std::string& to);
// Removes a name; a failure is not reported.
void Remove(const std::string& path);
// When the file a path names (links not followed) was made, in nanoseconds since 1970; 0 when
// the file system does not say or there is no such file. With the device and inode it tells a
// file from a later one that was given the same inode.
std::int64_t BirthOf(const std::string& path);
// The names of the regular files in `folder` (none when it cannot be read).
std::vector<std::string> FilesIn(const std::string& folder);

// ---- The user's state folder and processes

// The folder that keeps this user's records of the program: $XDG_STATE_HOME/toviloeditru, else
// ~/.local/state/toviloeditru (Windows: %LOCALAPPDATA%\toviloeditru\state). It is made when
// missing, readable by the user alone (0700). Empty when there is none: no home, or a folder
// that is not the user's own.
std::string StateFolder();
// This process's id.
std::uint64_t ProcessId();
// True when no process of this id runs any more.
bool ProcessGone(std::uint64_t id);

// ---- Signals

// Makes a write beyond the file-size limit (ulimit -f) fail with EFBIG, which the save reports
// like a full disk, instead of ending the program with SIGXFSZ. Windows has no such limit.
void IgnoreFileSizeSignal();

// ---- Temporary files removed when the program is ended

// Enters a temporary file's name in the list of files removed when the program is ended by
// SIGINT, SIGTERM or SIGHUP (Windows: a console's Ctrl+C, Ctrl+Break, close, log-off or
// shut-down); a signal that is ignored or handled elsewhere is left so. The slot, or -1 when
// the name cannot be entered.
int WatchTemporary(const std::string& path);
// Takes the name of a slot out of the list again; -1 is no slot.
void UnwatchTemporary(int slot);
// Holds SIGINT, SIGTERM and SIGHUP from HoldEndSignals until ReleaseEndSignals (a write in
// place that must not stop half way): one that comes meanwhile takes effect on the release, as
// it would have without the hold. The calls nest (the signal waits for the outermost release)
// and are made on one thread. Windows: nothing is held.
void HoldEndSignals();
void ReleaseEndSignals();

} // namespace enc::platform
