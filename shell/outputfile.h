#pragma once

#include <QString>
#include <string>

// A file written as a whole or not at all: the bytes go to a temporary file beside the target,
// which replaces the target (one rename) only when every byte was written. An existing target
// keeps its permissions; a new one gets the usual 0666 less the umask. A symbolic link keeps
// pointing at the file it names, and that file is written. A target that is a folder or
// another non-regular file is refused before anything is created.
// QtCore only, so the command line can use it without a display.
class OutputFile {
public:
    // Durable: the data reaches the disk (fsync) before the rename, so a power cut right after
    // a save leaves the old file or the new one. Fast: the rename alone keeps readers from ever
    // seeing a half-written file, and the kernel writes the data back in its own time (batch
    // conversions, where waiting for the disk would cost more than the conversion itself).
    enum class Sync { Durable, Fast };

    explicit OutputFile(Sync sync = Sync::Durable);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file for `fileName`; false when it cannot be created (no such
    // folder, no right to write there, the target is a folder, ...). Nothing is touched then.
    bool open(const QString& fileName);
    // Writes the bytes and empties `bytes`; false once any write has failed.
    bool write(std::string& bytes);
    // Puts the written file in place of the target. False, with the target left as it was,
    // when a write or the replacement failed.
    bool commit();
    // Drops the temporary file; the target is left as it was.
    void cancel();

    // The file actually written: the target with its symbolic links followed.
    static QString resolvedTarget(const QString& fileName);

private:
    Sync m_sync;
    int m_fd = -1;
    bool m_ok = false;
    std::string m_target; // local 8-bit names
    std::string m_temp;
};
