#pragma once

#include <QString>
#include <memory>
#include <string>

class QSaveFile;

// A file written as a whole or not at all: the bytes go to a temporary file beside the target,
// which replaces the target only when every byte was written. An existing target keeps its
// permissions; a symbolic link keeps pointing at the file it names, and that file is written.
// QtCore only, so the command line can use it without a display.
class OutputFile {
public:
    OutputFile();
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file for `fileName`; false when it cannot be created (no such
    // folder, no right to write there, ...). Nothing is touched then.
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
    std::unique_ptr<QSaveFile> m_file;
    bool m_ok = false;
};
