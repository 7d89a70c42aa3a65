#pragma once

#include "encoding/fileaccess.h"
#include "encoding/readings.h"
#include "encoding/textwriter.h"

#include <optional>
#include <string>

// The batch commands of the program, run without a window and without a display:
//   --convert IN OUT      read IN as the open command does, write OUT as "save file(UTF-8)"
//   --export-html IN OUT  write OUT as the HTML export does
//   --export-c IN OUT     write OUT as the C array export does
//   --detect FILE...      print, per file, what status panel 3 shows after opening it
//   --help, -h, --version print the usage or the version
// Before or right after any of the first four, --from NAME reads the files in the named
// encoding instead of the detected one (enc::ReadingNamed); an unknown NAME is an error.
// They never read or write the settings files. File names are used as the bytes given.
// Failures print one line: "toviloeditru: can't file open: NAME: reason".
namespace cli {

enum Result : int {
    Done = 0,
    InputNotOpened = -2,
    OutputNotCreated = -3,
    OutputNotWritten = -4,
    InputNotRead = -5, // a read failed part way, or the input was too big: OUT is left alone
};

// True when `arg` (the first argument) names one of the commands above, or is --from.
bool isCommand(const char* arg);

// Runs the command in argv[1]; returns the process exit code (0 on success). Failures print
// one line on stderr.
int run(int argc, char** argv);

// Reads `in` (detected as the open command detects it, or in the reading `from`) line by line
// through reused buffers and writes `out` in `format`: the same bytes the editor writes after
// opening `in`. Memory stays flat whatever the file's size. `out` is written only when `in` was
// read in full (see OutputFile). *why, when given, says what failed.
Result convertFile(const std::string& in, const std::string& out, enc::OutputFormat format,
                   enc::FileResult* why = nullptr, std::optional<enc::Reading> from = {});

// The status-bar text for a file: its encoding label (detected, or that of the reading `from`),
// two spaces and the name as given.
std::string detectLine(const std::string& fileName, std::optional<enc::Reading> from = {});

} // namespace cli
