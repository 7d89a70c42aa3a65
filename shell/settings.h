#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

// The two settings files: setteiedit.dat (seven decimal lines: window geometry, input mode,
// word wrap, keyboard placement) and fontedit.dat (a 216-byte little-endian font record).
// Parsing and formatting are pure functions; the file helpers below only move bytes.
namespace settings {

inline constexpr char kSettingsFileName[] = "setteiedit.dat";
inline constexpr char kFontFileName[] = "fontedit.dat";

// The values carried by setteiedit.dat, with their start values.
struct EditorSettings {
    int top = 86;
    int left = 357;
    int width = 416;
    int height = 480;
    int imeMode = 1;
    bool wordWrap = false;
    bool japanesePlacement = true;

    bool operator==(const EditorSettings&) const = default;
};

// Converts the start of a line as atoi does: leading white space is skipped, then an optional
// sign and decimal digits are taken up to the first other byte or a NUL; no digits give 0.
// Values beyond the 32-bit range saturate at its ends instead of wrapping.
int lineToInt(QByteArrayView line);

// Reads the text of setteiedit.dat over `values`, line by line: a line is at most 499 bytes up
// to the next line feed (CR LF counts as one line end); a longer line is cut at 499 bytes and
// ends the reading after it is applied; an empty line ends the reading; a last line without a
// line feed is applied. An input mode outside 0..2 becomes 0; lines 6 and 7 are on when
// non-zero. Values of lines not reached keep what `values` held. Returns the number of lines
// applied, 0 to 7. Never fails: any bytes give some result.
int parseSettings(QByteArrayView text, EditorSettings& values);

// The seven lines of setteiedit.dat, each ending in the platform's line end (CR LF on
// Windows, LF elsewhere).
QByteArray formatSettings(const EditorSettings& values);

// fontedit.dat: colour (4), height (4), NUL-terminated name (200), pitch (1), filler (3),
// character set (4); integers little-endian.
inline constexpr int kFontRecordSize = 216;
inline constexpr int kFontNameSize = 200;
using FontRecordBytes = std::array<std::uint8_t, kFontRecordSize>;

struct FontFields {
    std::int32_t colour = 0;
    std::int32_t height = 0;
    // 8-bit face name without its NUL, at most 199 bytes when written, 200 when read.
    QByteArray name;
    // 0 default, 1 variable, 2 fixed.
    std::uint8_t pitch = 0;
    // Only the low byte of the stored number is significant.
    std::int32_t charSet = 0;
};

// Decodes a record. Returns false (and leaves `fields` alone) when fewer than 216 bytes are
// given; extra bytes are ignored. A name field without a NUL gives a name cut at 200 bytes.
bool decodeFontRecord(QByteArrayView bytes, FontFields& fields);

// Writes the fields into `record` in place. A name longer than 199 bytes is cut so that its NUL
// fits; the bytes of the name field after the NUL and the filler keep what they held.
void encodeFontRecord(const FontFields& fields, FontRecordBytes& record);

// --- where the files live

// The folder of both files, ending in '/': the override if one is set; else the program's
// folder (ProgramDir) when it can be written; else the user's configuration folder
// (…/toviloeditru under the platform's configuration location), for reading and writing alike.
QString folder();

// Points both files at another folder (tests use a temporary one); an empty name restores the
// normal choice.
void setFolderOverride(const QString& folder);

// Reads at most maxBytes of the named file from folder(). Empty when it cannot be opened or is
// not a regular file (a FIFO or a device is refused without waiting on it).
std::optional<QByteArray> readFile(const char* name, qint64 maxBytes);

// Replaces the named file in folder() with `bytes`, whole or not at all. Returns false when it
// could not be written (the previous file then stays as it was), also when something other
// than a regular file stands in its place.
bool writeFile(const char* name, const QByteArray& bytes);

} // namespace settings
