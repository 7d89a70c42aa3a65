#pragma once

#include "encoding/fileaccess.h"
#include "encoding/textwriter.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace enc {

namespace platform {
struct Target;
}

// A file written as a whole or not at all, without changing what the file is. Names are byte
// strings as the system takes them (UTF-8 on Windows). Plain C++, so the command line uses it
// without a display.
//
// - A target that is not a regular file (a folder, a FIFO, a device) is refused, and so is a
//   file the user may not write: nothing is created or changed.
// - Normally the bytes go to a temporary file beside the target, which takes the target's
//   place (one rename) only when every byte was written; it gets the target's mode, owner,
//   group and extended attributes (the ACL among them) first. A new file gets the usual 0666
//   less the umask. (Windows: the replacement takes over the old file's security and
//   attributes, a new file its folder's.)
// - A file that a rename would change in other ways is written in place instead: one whose
//   folder the user may not write, one with more than one hard link, and one whose owner,
//   group or extended attributes (an ACL) the new file cannot be given. The bytes are first
//   spooled to an unnamed file, and the target is written only after all of them came, with
//   its room reserved before its first byte is overwritten, so a full disk leaves it untouched.
//   The old bytes are first copied into the user's state folder (copyOriginal), and SIGINT,
//   SIGTERM and SIGHUP are held while the target is written, so the write never stops half
//   way but for SIGKILL or a power cut, which leave the copy behind. The write in place always
//   waits for the disk, whatever Sync says.
// - A symbolic link keeps pointing at the file it names, and that file is written.
// - Temporary files are removed when the program is ended by SIGINT, SIGTERM or SIGHUP (Windows:
//   the console's Ctrl+C, Ctrl+Break and close). Each temporary is recorded, with the process
//   that made it, in the user's state folder (platform::StateFolder) while it exists; each open
//   removes the recorded temporaries whose process is gone (killed outright), in any folder.
//   A file is never removed for its name alone.
// - A write beyond the file-size limit fails (EFBIG) instead of ending the program.
class OutputFile {
public:
    // Durable: the data reaches the disk (fsync) before the file takes the target's place, so a
    // power cut right after a save leaves the old file or the new one. Fast: only the rename
    // keeps readers from ever seeing a half-written file; the data is sent to the disk as it is
    // written but not waited for (batch conversions, where waiting for the disk would cost
    // more than the conversion itself).
    enum class Sync { Durable, Fast };
    // How the target is written: a new file renamed over it, or its own bytes overwritten.
    enum class Mode { Replace, InPlace };

    explicit OutputFile(Sync sync = Sync::Durable);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Prepares writing `fileName`; false when it cannot be written (no such folder, no right to
    // write the file or to create one there, not a regular file, ...): nothing is touched then
    // and result() says why.
    bool open(const std::string& fileName);
    // Writes the bytes; false once any write has failed.
    bool write(std::string_view bytes);
    // Writes the bytes and empties `bytes`; false once any write has failed.
    bool write(std::string& bytes);
    // write() as the sink of WriteText: success, or why the bytes could not be written.
    ByteSink sink();
    // Puts the written bytes in the target. False, with the reason in result(), when a write
    // or the replacement failed; the target is then as it was, except when writing in place
    // failed after its first byte was overwritten.
    bool commit();
    // Drops what was written; the target is left as it was.
    void cancel();

    // Writing in place only (see mode()): copies the target's bytes into the user's state
    // folder, where they stay, synced, until the new bytes are on the disk, so that a program
    // killed in the middle of the write leaves the whole old file there. commit() makes the
    // copy itself when it has not been made. False when it cannot be made (no room, no state
    // folder, a file the user may not read): result() says why (FileFault::NoCopy), and
    // commit() then refuses, unless writeWithoutCopy() was called. True when writing replaces.
    //
    // The copy is one file named "inplace-" and six letters; it starts with a header:
    //   toviloeditru in-place copy
    //   the writing process's id
    //   the size of the old file in bytes
    //   the old file's full name, ended by a NUL byte
    // and the old file's bytes follow.
    bool copyOriginal();
    // Lets commit() write in place without the copy (the user has agreed to the risk).
    void writeWithoutCopy() { m_withoutCopy = true; }

    // Why the last open, write or commit failed (success when nothing failed).
    FileResult result() const { return m_result; }
    // How the target of the last open is written.
    Mode mode() const { return m_mode; }

    // The file actually written: the target with its symbolic links followed.
    static std::string resolvedTarget(const std::string& fileName);
    // True for the names of our temporary files: "." + a name + ".toviloeditru-" + six letters
    // or digits.
    static bool isTemporaryName(std::string_view name);

private:
    bool fail(FileResult result);
    bool createTemporary(const std::string& folder, const platform::Target* existing);
    void dropCopy();
    bool openSpool(const std::string& folder);
    FileResult copySpoolToTarget();
    void unwatch();

    Sync m_sync;
    Mode m_mode = Mode::Replace;
    NativeFile m_file = kNoFile;       // where write() puts the bytes: the temporary or the spool
    NativeFile m_targetFile = kNoFile; // the target, open for writing in place
    int m_slot = -1;                   // the temporary's entry in the list removed on a signal
    bool m_ok = false;
    std::uint64_t m_size = 0;
    std::uint64_t m_writtenBack = 0; // bytes the disk was asked to take before the sync
    FileResult m_result;
    std::string m_target;
    std::string m_temp;
    std::string m_record; // the temporary's record in the state folder
    std::string m_copy;   // the copy of the old bytes when writing in place
    bool m_withoutCopy = false;
    bool m_touched = false; // writing in place has begun to change the target
};

} // namespace enc
