#include "shell/commandline.h"

#include "document/document.h"
#include "encoding/detect.h"
#include "encoding/outputfile.h"
#include "encoding/textfile.h"
#include "text/textload.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>
#include <vector>

namespace cli {
namespace {

bool formatOf(std::string_view option, enc::OutputFormat& format) {
    if (option == "--convert")
        format = enc::OutputFormat::Utf8;
    else if (option == "--export-html")
        format = enc::OutputFormat::Html;
    else if (option == "--export-c")
        format = enc::OutputFormat::CArray;
    else
        return false;
    return true;
}

constexpr const char* kUsage =
    "Usage: toviloeditru [FILE]\n"
    "       toviloeditru --convert [--from NAME] IN OUT | --export-html [--from NAME] IN OUT\n"
    "                    | --export-c [--from NAME] IN OUT\n"
    "       toviloeditru --detect [--from NAME] FILE...\n"
    "\n"
    "Without an option the editor opens, with FILE in it when one is given.\n"
    "The options work without a window; IN is read in the encoding detected for it.\n"
    "  --convert IN OUT      write OUT as UTF-8 without a byte-order mark\n"
    "  --export-html IN OUT  write OUT as an ASCII HTML page of &#NUMBER; references\n"
    "  --export-c IN OUT     write OUT as an ASCII C array: wchar_t unicodestr[]={0x...,0};\n"
    "  --detect FILE...      print the encoding detected for each FILE\n"
    "  --from NAME           read the files in encoding NAME instead of detecting it; NAME is\n"
    "                        one of shift_jis, euc-jp, utf-16le, utf-16be, utf-8,\n"
    "                        windows-1251 (cp1251), koi8-r, cp866 (ibm866), in any case\n"
    "  --help, -h            print this and end\n"
    "  --version             print the version and end\n";

int fail(const char* what, const char* name, const enc::FileResult& why = {}) {
    if (why)
        std::fprintf(stderr, "toviloeditru: %s: %s\n", what, name);
    else
        std::fprintf(stderr, "toviloeditru: %s: %s: %s\n", what, name,
                     enc::FileReason(why).c_str());
    return 1;
}

// How the opened file is read: as detection finds it, or in the reading the user named.
enc::Detection readingOf(doc::OpenFile& file, std::optional<enc::Reading> from) {
    if (!from)
        return file.detect();
    return enc::ReadingDetection(*from, file.bom());
}

Result convert(const std::string& in, const std::string& out, enc::OutputFormat format,
               enc::FileResult& why, std::optional<enc::Reading> from) {
    // One open of IN: detection and the read take their bytes from it.
    doc::OpenFile file;
    why = file.open(in);
    if (!why)
        return InputNotOpened;
    const enc::Detection found = readingOf(file, from);
    // The rename still keeps a half-written file from ever taking OUT's place; waiting for the
    // disk on top of that would cost more than the whole conversion.
    enc::OutputFile output(enc::OutputFile::Sync::Fast);
    if (!output.open(out)) {
        why = output.result();
        return OutputNotCreated;
    }
    enc::FileResult readFault;
    const enc::WriteResult written =
        doc::ConvertText(file, found, format, output.sink(), readFault);
    // A read error is not the end of the input: what came before it is not written.
    if (!readFault) {
        why = readFault;
        return InputNotRead;
    }
    if (!written || !output.commit()) {
        why = written ? output.result() : written.cause;
        return OutputNotWritten;
    }
    return Done;
}

} // namespace

bool isCommand(const char* arg) {
    enc::OutputFormat format;
    return arg != nullptr && (formatOf(arg, format) || std::strcmp(arg, "--detect") == 0 ||
                              std::strcmp(arg, "--from") == 0 || std::strcmp(arg, "--help") == 0 ||
                              std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--version") == 0);
}

namespace {

std::string lineOf(doc::OpenFile& file, std::optional<enc::Reading> from) {
    const enc::Detection found = readingOf(file, from);
    return std::string(enc::EncodingLabel(found.encoding, found.bom)) + "  " + file.name();
}

} // namespace

std::string detectLine(const std::string& fileName, std::optional<enc::Reading> from) {
    doc::OpenFile file;
    file.open(fileName);
    return lineOf(file, from);
}

Result convertFile(const std::string& in, const std::string& out, enc::OutputFormat format,
                   enc::FileResult* why, std::optional<enc::Reading> from) {
    enc::FileResult failure;
    Result result;
    try {
        result = convert(in, out, format, failure, from);
    } catch (const std::bad_alloc&) {
        // A line longer than the memory can hold.
        failure = enc::FileResult::tooBig();
        result = InputNotRead;
    }
    if (why)
        *why = failure;
    return result;
}

int run(int argc, char** argv) {
    // --from NAME may stand before the command or right after it; it is taken out here, so
    // the command sees only its own arguments.
    std::vector<char*> args(argv, argv + argc);
    std::optional<enc::Reading> from;
    for (std::size_t at : {std::size_t(1), std::size_t(2)}) {
        if (at >= args.size() || std::string_view(args[at]) != "--from")
            continue;
        if (at + 1 >= args.size())
            return fail("usage", "--from NAME");
        enc::Reading reading;
        if (!enc::ReadingNamed(args[at + 1], reading)) {
            std::fprintf(stderr, "toviloeditru: unknown encoding: %s (known: %s)\n", args[at + 1],
                         enc::ReadingNames());
            return 1;
        }
        from = reading;
        args.erase(args.begin() + std::ptrdiff_t(at), args.begin() + std::ptrdiff_t(at) + 2);
        break;
    }
    argc = int(args.size());
    argv = args.data();

    const std::string_view option = argc >= 2 ? argv[1] : "";
    enc::OutputFormat format;
    if (from && !formatOf(option, format) && option != "--detect")
        return fail("usage", "--from NAME with --convert, --export-html, --export-c or --detect");
    if (option == "--help" || option == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (option == "--version") {
        std::printf("toviloeditru %s\n", TOVILO_VERSION);
        return 0;
    }
    if (option == "--detect") {
        if (argc < 3)
            return fail("usage", "--detect FILE...");
        int code = 0;
        for (int i = 2; i < argc; ++i) {
            doc::OpenFile file;
            file.open(argv[i]);
            std::printf("%s\n", lineOf(file, from).c_str());
            if (!file.result()) {
                std::fflush(stdout);
                code = fail("can't file open", argv[i], file.result());
            }
        }
        std::fflush(stdout);
        return code;
    }
    if (!formatOf(option, format))
        return fail("unknown option", argv[1]);
    if (argc != 4)
        return fail("usage", "--convert|--export-html|--export-c IN OUT");
    enc::FileResult why;
    switch (convertFile(argv[2], argv[3], format, &why, from)) {
    case Done:
        return 0;
    case InputNotOpened:
    case InputNotRead:
        return fail("can't file open", argv[2], why);
    case OutputNotCreated:
        return fail("can't file open", argv[3], why);
    case OutputNotWritten:
        return fail("can't write file", argv[3], why);
    }
    return 1;
}

} // namespace cli
