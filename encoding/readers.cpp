#include "encoding/readers.h"

#include "encoding/bytes.h"

namespace enc {
namespace {

constexpr int kCr = 0x0D;
constexpr int kLf = 0x0A;
constexpr int kEof = 0x1A;

bool pairIs(int x, int y, int code) {
    return (x == code && y == 0) || (x == 0 && y == code);
}

} // namespace

int SkipBom(ByteStream& in) {
    const int b0 = in.get();
    if (b0 < 0)
        return kBigEndian;
    const int b1 = in.get();
    if (b1 < 0) {
        in.unget(); // a one-byte file keeps its byte
        return kBigEndian;
    }
    if (b0 == 0xFF && b1 == 0xFE)
        return kLittleEndian;
    if (b0 == 0xFE && b1 == 0xFF)
        return kBigEndian;
    if (b0 == 0xEF && b1 == 0xBB) {
        const int b2 = in.get();
        if (b2 == 0xBF)
            return kBigEndian;
        if (b2 >= 0)
            in.unget();
    }
    in.unget();
    in.unget();
    return kBigEndian;
}

std::ptrdiff_t ReadByteLine(ByteStream& in, std::vector<std::uint8_t>& line) {
    line.clear();
    for (;;) {
        const int c = in.get();
        if (c < 0 || c == kEof)
            return line.empty() ? -1 : static_cast<std::ptrdiff_t>(line.size());
        if (c == kCr) {
            const int next = in.get();
            // CR LF and CR 1A end the line together; any other byte begins the next line.
            if (next >= 0 && next != kLf && next != kEof)
                in.unget();
            return static_cast<std::ptrdiff_t>(line.size());
        }
        if (c == kLf || c == 0)
            return static_cast<std::ptrdiff_t>(line.size());
        line.push_back(static_cast<std::uint8_t>(c));
    }
}

std::ptrdiff_t ReadUtf16Line(ByteStream& in, std::u16string& line, int byteOrder) {
    line.clear();
    for (;;) {
        const int x = in.get();
        if (x < 0)
            return -1;
        const int y = in.get();
        if (y < 0)
            return -1;
        if (pairIs(x, y, kEof))
            return line.empty() ? -1 : static_cast<std::ptrdiff_t>(line.size());
        if (pairIs(x, y, kCr)) {
            const int a = in.get();
            if (a < 0)
                return static_cast<std::ptrdiff_t>(line.size());
            const int b = in.get();
            if (b < 0)
                return static_cast<std::ptrdiff_t>(line.size());
            if (!pairIs(a, b, kLf)) {
                // A lone CR: the pair after it begins the next line.
                in.unget();
                in.unget();
            }
            return static_cast<std::ptrdiff_t>(line.size());
        }
        if (pairIs(x, y, kLf) || (x == 0 && y == 0))
            return static_cast<std::ptrdiff_t>(line.size());
        const auto first = static_cast<std::uint8_t>(x);
        const auto second = static_cast<std::uint8_t>(y);
        line.push_back(byteOrder == kLittleEndian ? unitLittleEndian(first, second)
                                                  : unitBigEndian(first, second));
    }
}

} // namespace enc
