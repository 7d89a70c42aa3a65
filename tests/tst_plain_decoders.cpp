// The decoders, the file calls and the text buffer of the Qt-free libraries, so that this runs
// wherever they build: natively, and as a Windows program under wine. Known byte strings of
// each encoding are read as the open command reads them and their units checked, once as a
// whole text and once into the text buffer; a file with a Cyrillic name is written, replaced,
// detected and read back through the system's own calls; a text of megabytes is loaded, edited
// and undone in the buffer's own memory. Exits with 1 when a row fails, naming it.
#include "encoding/detect.h"
#include "encoding/outputfile.h"
#include "encoding/textfile.h"
#include "text/textbuffer.h"
#include "text/textload.h"

#include <cstdio>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

using namespace enc;

namespace {

int g_rows = 0;
int g_failed = 0;

void expect(bool ok, const char* row) {
    ++g_rows;
    if (!ok) {
        std::fprintf(stderr, "FAIL: %s\n", row);
        ++g_failed;
    }
}

std::span<const std::uint8_t> bytesOf(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

struct Row {
    const char* name;
    TextEncoding encoding;
    std::string_view bytes;
    std::u16string_view units; // lines joined by '\n'
};

using namespace std::string_view_literals;

// Twelve units of Ж and A in each byte order: eight go through the vector path, four after it.
constexpr std::string_view kLe12 = "\x16\x04\x41\x00\x16\x04\x41\x00\x16\x04\x41\x00"
                                   "\x16\x04\x41\x00\x16\x04\x41\x00\x16\x04\x41\x00"sv;
constexpr std::string_view kBe12 = "\x04\x16\x00\x41\x04\x16\x00\x41\x04\x16\x00\x41"
                                   "\x04\x16\x00\x41\x04\x16\x00\x41\x04\x16\x00\x41"sv;

const Row kRows[] = {
    {"Shift_JIS 82 A0 -> あ", EncSjis, "\x82\xA0", u"\u3042"},
    {"Shift_JIS 84 5B -> Ъ", EncSjis, "\x84\x5B", u"\u042A"},
    {"Shift_JIS B1 -> ｱ", EncSjis, "\xB1", u"\uFF71"},
    {"Shift_JIS 80 A0 -> □□", EncSjis, "\x80\xA0", u"\u25A1\u25A1"},
    {"Shift_JIS 81 LF: lead alone, then a line", EncSjis, "\x81\nx", u"\u25A1\nx"},
    {"EUC-JP A4 A2 -> あ", EncEuc, "\xA4\xA2", u"\u3042"},
    {"EUC-JP A7 BC -> Ъ", EncEuc, "\xA7\xBC", u"\u042A"},
    {"EUC-JP 8E B1 -> ｱ", EncEuc, "\x8E\xB1", u"\uFF71"},
    {"EUC-JP A1 EF -> ¥", EncEuc, "\xA1\xEF", u"\u00A5"},
    {"UTF-8 D0 96 -> Ж", EncUtf8, "\xD0\x96", u"\u0416"},
    {"UTF-8 E3 81 82 -> あ", EncUtf8, "\xE3\x81\x82", u"\u3042"},
    {"UTF-8 F0 9F 98 80 -> surrogate pair", EncUtf8, "\xF0\x9F\x98\x80", u"\U0001F600"},
    {"UTF-8 a CR LF b CR LF -> two lines", EncUtf8, "a\r\nb\r\n", u"a\nb"},
    {"UTF-16LE Ж A", EncUtf16LeNoBom, "\x16\x04\x41\x00"sv, u"\u0416A"},
    {"UTF-16BE Ж A", EncUtf16, "\x04\x16\x00\x41"sv, u"\u0416A"},
    {"UTF-16LE twelve units", EncUtf16LeNoBom, kLe12, u"ЖAЖAЖAЖAЖAЖA"},
    {"UTF-16BE twelve units", EncUtf16, kBe12, u"ЖAЖAЖAЖAЖAЖA"},
    {"UTF-16 FF FE mark, then little-endian", EncUtf16, "\xFF\xFE\x16\x04"sv, u"\u0416"},
    {"UTF-16BE 00 41 00 0D 00 0A: CR LF ends the line", EncUtf16, "\x00\x41\x00\r\x00\n"sv, u"A"},
    {"Windows-1251 CF F0 E8 E2 E5 F2 CR LF 98 -> Привет, □", EncCp1251,
     "\xCF\xF0\xE8\xE2\xE5\xF2\r\n\x98", u"Привет\n\u25A1"},
    {"KOI8-R F0 D2 C9 D7 C5 D4 -> Привет", EncKoi8r, "\xF0\xD2\xC9\xD7\xC5\xD4", u"Привет"},
    {"CP866 8F E0 A8 A2 A5 E2 F0 -> ПриветЁ", EncCp866, "\x8F\xE0\xA8\xA2\xA5\xE2\xF0", u"ПриветЁ"},
};

struct Detected {
    const char* name;
    std::string_view bytes;
    Detection detection;
};

const Detected kDetected[] = {
    {"empty -> UTF-8", "", {EncUtf8, BomNone}},
    {"EF BB BF -> UTF-8 with mark", "\xEF\xBB\xBF\xD0\x96", {EncUtf8, BomUtf8}},
    {"82 A0 CR LF -> Shift_JIS", "\x82\xA0\r\n", {EncSjis, BomNone}},
    {"A4 A2 FE FE -> EUC-JP", "\xA4\xA2\xFE\xFE\xA4\xA2", {EncEuc, BomNone}},
    {"a 00 b 00 -> UTF-16LE without mark", "a\0b\0"sv, {EncUtf16LeNoBom, BomNone}},
};

std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

bool writeWhole(const std::string& path, std::string bytes) {
    OutputFile file;
    return file.open(path) && file.write(bytes) && file.commit();
}

// Writing, replacing, detecting and reading a file through the system's calls.
void files() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error) / u8"tovilo-plain-тест";
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    expect(!error, "a temporary folder is made");
    const std::string name = utf8Of(folder / u8"файл.txt");

    expect(writeWhole(name, std::string("\xFF\xFE\x16\x04\r\0\n\0A\0", 10)),
           "a new file with a Cyrillic name is written");
    expect(DetectEncoding(name) == Detection{EncUtf16, BomUtf16Le},
           "the new file is detected as UTF-16 with its mark");
    std::u16string text;
    FileStamp first;
    expect(bool(ReadTextFile(name, EncUtf16, BomUtf16Le, text, &first)) && text == u"\u0416\nA",
           "the new file reads back");

    expect(writeWhole(name, "\xD0\x96"), "the file is replaced");
    expect(DetectEncoding(name) == Detection{EncUtf8, BomNone}, "the replaced file is UTF-8");
    FileStamp second;
    expect(bool(ReadTextFile(name, EncUtf8, BomNone, text, &second)) && text == u"\u0416",
           "the replaced file reads back");
    expect(second.exists && !(second == first), "the replaced file has another stamp");

    std::size_t left = 0;
    for (const auto& entry : fs::directory_iterator(folder, error))
        left += OutputFile::isTemporaryName(utf8Of(entry.path().filename())) ? 1 : 0;
    expect(left == 0, "no temporary file is left beside the file");

    expect(ReadTextFile(utf8Of(folder / "missing.txt"), EncUtf8, BomNone, text).missing(),
           "a missing file is missing");
    expect(CheckInputFile(utf8Of(folder)).fault == FileFault::NotRegular,
           "a folder is not a regular file");
    OutputFile onFolder;
    expect(!onFolder.open(utf8Of(folder)) && onFolder.result().fault == FileFault::NotRegular,
           "a folder is not written");
    fs::remove_all(folder, error);
}

// The units of a row as the buffer holds them: CR LF between lines.
std::u16string withCrLf(std::u16string_view lines) {
    std::u16string out;
    for (const char16_t u : lines) {
        if (u == u'\n')
            out += u'\r';
        out += u;
    }
    return out;
}

// A text of a few megabytes in the buffer's own memory (large blocks, given back in part when
// the builder hands its memory over), edited and undone.
void largeText() {
    std::string bytes;
    for (int i = 0; i < 600000; ++i)
        bytes += "\xD0\x96"
                 "a line\n";
    text::TextBuilder builder;
    expect(bool(text::LoadTextBytes(bytesOf(bytes), EncUtf8, builder)), "megabytes load");
    text::TextBuffer buffer;
    buffer.assign(std::move(builder));
    const text::Pos length = 600000 * 9 - 2;
    expect(buffer.length() == length && buffer.lineCount() == 600000,
           "the loaded text has its units and lines");
    expect(buffer.at(buffer.lineStart(599999)) == u'\u0416', "the last line starts with Ж");
    buffer.insert(length, u"!");
    buffer.remove(0, 9);
    expect(buffer.length() == length - 8 && buffer.lineCount() == 599999, "two edits apply");
    buffer.undo();
    buffer.undo();
    expect(buffer.length() == length && buffer.text(0, 9) == u"\u0416a line\r\n",
           "undo restores the text");
}

} // namespace

int main() {
    std::u16string text;
    for (const Row& row : kRows) {
        ReadTextBytes(bytesOf(row.bytes), row.encoding, BomNone, text);
        expect(text == row.units, row.name);
        text::TextBuilder builder;
        text::LoadTextBytes(bytesOf(row.bytes), row.encoding, builder);
        text::TextBuffer buffer;
        buffer.assign(std::move(builder));
        expect(buffer.text() == withCrLf(row.units), row.name);
    }
    for (const Detected& row : kDetected)
        expect(DetectEncodingBytes(bytesOf(row.bytes)) == row.detection, row.name);
    files();
    largeText();
    std::printf("%s: %d of %d rows failed\n", g_failed == 0 ? "PASS" : "FAIL", g_failed, g_rows);
    return g_failed == 0 ? 0 : 1;
}
