#include "shell/commandline.h"

#include "encoding/detect.h"
#include "encoding/outputfile.h"
#include "encoding/textfile.h"
#include "text/textload.h"

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

namespace cli {
namespace {

// Output is handed to the file in blocks of about this many bytes.
constexpr std::size_t kFlushBytes = 1 << 20;

bool formatOf(std::string_view option, textio::Format& format) {
    if (option == "--convert")
        format = textio::Format::Utf8;
    else if (option == "--export-html")
        format = textio::Format::Html;
    else if (option == "--export-c")
        format = textio::Format::CArray;
    else
        return false;
    return true;
}

int fail(const char* what, const char* name, const enc::FileResult& why = {}) {
    if (why)
        std::fprintf(stderr, "toviloeditru: %s: %s\n", what, name);
    else
        std::fprintf(stderr, "toviloeditru: %s: %s: %s\n", what, name,
                     enc::FileReason(why).c_str());
    return 1;
}

Result convert(const std::string& in, const std::string& out, textio::Format format,
               enc::FileResult& why) {
    const enc::Detection found = enc::DetectEncoding(in);
    enc::TextLineReader reader;
    why = reader.open(in, found.encoding, found.bom);
    if (!why)
        return InputNotOpened;
    // The rename still keeps a half-written file from ever taking OUT's place; waiting for the
    // disk on top of that would cost more than the whole conversion.
    enc::OutputFile file(enc::OutputFile::Sync::Fast);
    if (!file.open(out)) {
        why = file.result();
        return OutputNotCreated;
    }

    // The text is the lines joined by CR LF, as the editor holds it after opening the file, so
    // the batch commands write the bytes the menus write; every other unit (U+2029, U+FDD0)
    // is kept as it is.
    textio::TextWriter writer(format, textio::Breaks::CrLf);
    std::string bytes;
    writer.begin(bytes);
    std::u16string_view line;
    bool first = true;
    while (reader.next(line)) {
        if (!first)
            writer.feed(u"\r\n", bytes);
        first = false;
        text::EmitLine(line, [&](std::u16string_view piece) { writer.feed(piece, bytes); });
        if (bytes.size() >= kFlushBytes && !file.write(bytes)) {
            why = file.result();
            return OutputNotWritten;
        }
    }
    // A read error is not the end of the input: what came before it is not written.
    why = reader.result();
    if (!why)
        return InputNotRead;
    writer.finish(bytes);
    reader.close();
    if (!file.write(bytes) || !file.commit()) {
        why = file.result();
        return OutputNotWritten;
    }
    return Done;
}

} // namespace

bool isCommand(const char* arg) {
    textio::Format format;
    return arg != nullptr && (formatOf(arg, format) || std::strcmp(arg, "--detect") == 0);
}

std::string detectLine(const std::string& fileName) {
    const enc::Detection found = enc::DetectEncoding(fileName);
    return std::string(enc::EncodingLabel(found.encoding, found.bom)) + "  " + fileName;
}

Result convertFile(const std::string& in, const std::string& out, textio::Format format,
                   enc::FileResult* why) {
    enc::FileResult failure;
    Result result;
    try {
        result = convert(in, out, format, failure);
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
    const std::string_view option = argc >= 2 ? argv[1] : "";
    if (option == "--detect") {
        if (argc < 3)
            return fail("usage", "--detect FILE...");
        int code = 0;
        for (int i = 2; i < argc; ++i) {
            std::printf("%s\n", detectLine(argv[i]).c_str());
            if (const enc::FileResult usable = enc::CheckInputFile(argv[i]); !usable) {
                std::fflush(stdout);
                code = fail("can't file open", argv[i], usable);
            }
        }
        std::fflush(stdout);
        return code;
    }
    textio::Format format;
    if (!formatOf(option, format))
        return fail("unknown option", argv[1]);
    if (argc != 4)
        return fail("usage", "--convert|--export-html|--export-c IN OUT");
    enc::FileResult why;
    switch (convertFile(argv[2], argv[3], format, &why)) {
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
