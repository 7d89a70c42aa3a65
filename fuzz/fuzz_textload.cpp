// Reading a file in pieces on several threads against reading it in one pass.
// Input: the bytes of a file.
// Checks: read as every encoding, cut into pieces of one byte and of a size that follows from
// the input, the joined text is the text of one pass, unit for unit, and so
// is the text handed on in order while pieces are decoded ahead (as --convert takes it).
#include "encoding/detect.h"
#include "encoding/stream.h"
#include "text/textbuffer.h"
#include "text/textload.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz_textload: %s\n", what);
        std::abort();
    }
}

std::u16string read(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                    std::uint64_t pieceBytes) {
    text::testing::SetPieceBytes(pieceBytes);
    text::TextBuilder builder;
    check(bool(text::LoadTextBytes(bytes, encoding, builder)), "a read from memory failed");
    text::TextBuffer buffer;
    buffer.assign(std::move(builder));
    return buffer.text();
}

std::u16string visited(std::span<const std::uint8_t> bytes, enc::TextEncoding encoding,
                       std::uint64_t pieceBytes) {
    text::testing::SetPieceBytes(pieceBytes);
    enc::ByteStream in;
    in.openMemory(bytes);
    std::u16string text;
    const enc::FileResult result = text::VisitText(in, encoding, [&](std::u16string_view part) {
        text += part;
        return true;
    });
    check(bool(result), "handing on from memory failed");
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    std::uint32_t key = 0;
    for (std::size_t i = 0; i < size; ++i)
        key = key * 31 + data[i];
    const std::uint64_t sizes[] = {1, 2 + key % 97};
    for (const auto encoding : {enc::EncSjis, enc::EncUtf16, enc::EncUtf16LeNoBom, enc::EncUtf8,
                                enc::EncEuc, enc::EncCp1251, enc::EncKoi8r, enc::EncCp866}) {
        const std::u16string one = read(bytes, encoding, ~std::uint64_t(0));
        check(visited(bytes, encoding, ~std::uint64_t(0)) == one,
              "handed on differs from one pass");
        for (const std::uint64_t pieces : sizes) {
            check(read(bytes, encoding, pieces) == one, "the pieces differ from one pass");
            check(visited(bytes, encoding, pieces) == one, "the pieces handed on differ");
        }
    }
    text::testing::SetPieceBytes(0);
    return 0;
}
