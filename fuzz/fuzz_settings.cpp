// The readers of the two settings files on any bytes.
// Input: one byte choosing the file (even: setteiedit.dat text, odd: fontedit.dat record), then
// the file's bytes. Checks: reading never fails and keeps its ranges, and what is read is
// written and read back unchanged.
#include "shell/settings.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_settings: %s\n", what);
        std::abort();
    }
}

void settingsText(QByteArrayView text) {
    settings::EditorSettings values;
    const int lines = settings::parseSettings(text, values);
    check(lines >= 0 && lines <= 7, "line count");
    check(values.imeMode >= 0 && values.imeMode <= 2, "input mode range");
    settings::EditorSettings again;
    check(settings::parseSettings(settings::formatSettings(values), again) == 7,
          "written file reads as seven lines");
    check(again == values, "round trip");
    for (qsizetype at = 0; at < text.size() && at < 64; ++at)
        settings::lineToInt(text.sliced(at));
}

void fontRecord(QByteArrayView bytes) {
    settings::FontFields fields;
    if (!settings::decodeFontRecord(bytes, fields)) {
        check(bytes.size() < settings::kFontRecordSize, "full record refused");
        return;
    }
    check(fields.name.size() <= settings::kFontNameSize, "name length");
    check(!fields.name.contains('\0'), "NUL inside the name");
    settings::FontRecordBytes record{};
    for (int i = 0; i < settings::kFontRecordSize; ++i)
        record[std::size_t(i)] = std::uint8_t(bytes[i]);
    settings::encodeFontRecord(fields, record);
    settings::FontFields back;
    const QByteArrayView written(reinterpret_cast<const char*>(record.data()),
                                 qsizetype(record.size()));
    check(settings::decodeFontRecord(written, back), "written record reads");
    check(back.colour == fields.colour && back.height == fields.height &&
              back.pitch == fields.pitch && (back.charSet & 0xFF) == (fields.charSet & 0xFF),
          "font numbers round trip");
    check(back.name == fields.name.left(settings::kFontNameSize - 1), "font name round trip");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    if (data[0] % 2 == 0)
        settingsText(bytes);
    else
        fontRecord(bytes);
    return 0;
}
