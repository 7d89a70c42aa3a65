// Decoding 50 MB files of Japanese and Russian text in each encoding (Russian only in
// Windows-1251), beside glibc iconv(3)
// converting the same bytes to UTF-16 in-process with a reused output buffer.
#include "benchtable.h"
#include "encoding/detect.h"
#include "encoding/tables.h"
#include "encoding/textfile.h"
#include "encoding/utf8writer.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iconv.h>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

const char16_t* const kJapanese[] = {
    u"今日は良い天気です。",
    u"東京都の図書館で本を読みました。",
    u"ロシア語の文字を入力します。",
    u"明日の会議は午後三時から始まります。",
    u"この文章は試験用に作られました。",
    u"私たちは新しい編集プログラムを作っています。",
    u"古い文書はシフトJISで保存されています。",
    u"ｶﾀｶﾅの半角文字も少しあります。",
};
const char16_t* const kRussian[] = {
    u"Съешь же ещё этих мягких французских булок, да выпей чаю.",
    u"Москва - столица России.",
    u"Программа для редактирования текста на русском языке.",
    u"Широкая электрификация южных губерний даст мощный толчок подъёму.",
    u"В чащах юга жил бы цитрус? Да, но фальшивый экземпляр!",
};

// Lines of about 30 to 90 units, CR LF ends, until the text has `units` units; only Russian
// lines when `russianOnly`.
std::u16string makeText(std::size_t units, bool russianOnly = false) {
    std::u16string text;
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 16;
    };
    while (text.size() < units) {
        const bool japanese = next() % 2 == 0 && !russianOnly;
        const int pieces = 1 + int(next() % 3);
        for (int i = 0; i < pieces; ++i) {
            text += japanese ? kJapanese[next() % std::size(kJapanese)]
                             : kRussian[next() % std::size(kRussian)];
            if (next() % 4 == 0)
                text += u" 2024-" + std::u16string(1, char16_t(u'0' + next() % 10)) + u" ";
        }
        text += u"\r\n";
    }
    return text;
}

Bytes encodeWithTable(const std::u16string& text, const enc::CodePair* table, std::size_t n) {
    std::unordered_map<char16_t, std::uint16_t> reverse;
    for (std::size_t i = 0; i < n; ++i)
        reverse.emplace(table[i].unit, table[i].key);
    Bytes out;
    out.reserve(text.size() * 2);
    for (char16_t u : text) {
        if (u < 0x80) {
            out.push_back(std::uint8_t(u));
            continue;
        }
        const auto it = reverse.find(u);
        if (it == reverse.end()) {
            std::fprintf(stderr, "bench_encoding: no code for U+%04X\n", unsigned(u));
            std::exit(1);
        }
        if (it->second > 0xFF)
            out.push_back(std::uint8_t(it->second >> 8));
        out.push_back(std::uint8_t(it->second & 0xFF));
    }
    return out;
}

struct Input {
    const char* name;
    const char* iconvName;
    enc::TextEncoding encoding;
    Bytes bytes;
    double target;
};

// Converts all of `in` to UTF-16LE into the reused buffer; returns the number of units.
std::size_t iconvDecode(iconv_t cd, const Bytes& in, std::vector<char16_t>& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = reinterpret_cast<char*>(const_cast<std::uint8_t*>(in.data()));
    std::size_t srcLeft = in.size();
    char* dst = reinterpret_cast<char*>(out.data());
    std::size_t dstLeft = out.size() * sizeof(char16_t);
    while (srcLeft > 0) {
        if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == std::size_t(-1)) {
            if (errno != EILSEQ && errno != EINVAL)
                break;
            ++src; // skip a byte iconv does not take
            --srcLeft;
        }
    }
    return static_cast<std::size_t>(dst - reinterpret_cast<char*>(out.data())) / 2;
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// Reads the whole file into the reused buffer (the reference's file read).
void readFile(const std::string& path, Bytes& buffer) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return;
    const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), f);
    (void)got;
    std::fclose(f);
}

void runEncoding(bench::Table& table, const bench::Options& options) {
    const std::size_t targetBytes = options.megabytes * 1000 * 1000;
    // About 1.6 bytes per unit in Shift_JIS / EUC-JP for this mix: aim slightly above the size.
    const std::u16string text = makeText(targetBytes * 10 / 16);

    std::vector<Input> inputs;
    inputs.push_back({"Shift_JIS", "CP932", enc::EncSjis,
                      encodeWithTable(text, enc::SjisTable, enc::kSjisTableSize), 1.0});
    inputs.push_back({"EUC-JP", "EUC-JP", enc::EncEuc,
                      encodeWithTable(text, enc::EucTable, enc::kEucTableSize), 1.0});
    std::string utf8;
    enc::AppendUtf8(text, utf8);
    inputs.push_back({"UTF-8", "UTF-8", enc::EncUtf8, Bytes(utf8.begin(), utf8.end()), 1.5});
    Bytes utf16be;
    utf16be.reserve(text.size() * 2);
    for (const char16_t u : text) {
        utf16be.push_back(std::uint8_t(u >> 8));
        utf16be.push_back(std::uint8_t(u & 0xFF));
    }
    Bytes utf16le;
    utf16le.reserve(text.size() * 2);
    for (const char16_t u : text) {
        utf16le.push_back(std::uint8_t(u & 0xFF));
        utf16le.push_back(std::uint8_t(u >> 8));
    }
    inputs.push_back({"UTF-16LE", "UTF-16LE", enc::EncUtf16LeNoBom, std::move(utf16le), 0});
    // Without a mark a file is read big-endian.
    inputs.push_back({"UTF-16BE", "UTF-16BE", enc::EncUtf16, std::move(utf16be), 0});
    // One byte a character: about 1.1 bytes per unit with the ASCII spaces and digits.
    inputs.push_back(
        {"Windows-1251", "CP1251", enc::EncCp1251,
         encodeWithTable(makeText(targetBytes, true), enc::Cp1251Table, enc::kCp1251TableSize),
         1.0});

    for (Input& input : inputs) {
        if (input.bytes.size() > targetBytes)
            input.bytes.resize(targetBytes);
        // End on a whole line so both sides see the same text.
        while (!input.bytes.empty() && input.bytes.back() != '\n')
            input.bytes.pop_back();
        const double megabytes = double(input.bytes.size()) / 1e6;
        const std::string path = options.workDir + "/encoding-" + input.name + ".txt";
        writeFile(path, input.bytes);

        iconv_t cd = iconv_open("UTF-16LE", input.iconvName);
        if (cd == iconv_t(-1)) {
            std::fprintf(stderr, "bench_encoding: iconv_open %s failed\n", input.iconvName);
            continue;
        }
        std::vector<char16_t> iconvOut(input.bytes.size() + 16);
        std::u16string ours;
        std::size_t iconvUnits = 0;

        // Warm both sides once: tables built, output buffers touched.
        iconvUnits = iconvDecode(cd, input.bytes, iconvOut);
        enc::ReadTextBytes(input.bytes, input.encoding, enc::BomNone, ours);

        // The same text? iconv keeps the CR LF line ends, the reader gives '\n' between lines.
        std::u16string reference;
        reference.reserve(iconvUnits);
        for (std::size_t i = 0; i < iconvUnits; ++i) {
            if (iconvOut[i] != u'\r')
                reference.push_back(iconvOut[i]);
        }
        if (!reference.empty() && reference.back() == u'\n')
            reference.pop_back();
        const bool same = reference == ours;

        // The two sides take turns, so that a change in the machine's load hits both.
        double oursMemory = 1e300;
        double iconvMemory = 1e300;
        for (int round = 0; round < 5; ++round) {
            oursMemory = std::min(
                oursMemory,
                bench::bestSeconds(
                    [&] { enc::ReadTextBytes(input.bytes, input.encoding, enc::BomNone, ours); },
                    1));
            iconvMemory = std::min(
                iconvMemory, bench::bestSeconds(
                                 [&] { iconvUnits = iconvDecode(cd, input.bytes, iconvOut); }, 1));
        }

        bench::Row memoryRow;
        memoryRow.name = std::string("decode ") + input.name + " to UTF-16 (memory)";
        memoryRow.ours = megabytes / oursMemory;
        memoryRow.reference = megabytes / iconvMemory;
        memoryRow.unit = "MB/s";
        memoryRow.higherIsBetter = true;
        memoryRow.target = input.target;
        memoryRow.note = std::string("vs iconv ") + input.iconvName + ", " +
                         std::to_string(input.bytes.size() / 1000000) +
                         " MB, same text: " + (same ? "yes" : "NO");
        table.add(memoryRow);

        // From the file: ReadTextFile against read(2) of the whole file plus iconv.
        Bytes fileBuffer(input.bytes.size());
        readFile(path, fileBuffer);
        enc::ReadTextFile(path, input.encoding, enc::BomNone, ours);
        double oursFile = 1e300;
        double iconvFile = 1e300;
        for (int round = 0; round < 5; ++round) {
            oursFile = std::min(
                oursFile,
                bench::bestSeconds(
                    [&] { enc::ReadTextFile(path, input.encoding, enc::BomNone, ours); }, 1));
            iconvFile = std::min(iconvFile, bench::bestSeconds(
                                                [&] {
                                                    readFile(path, fileBuffer);
                                                    iconvDecode(cd, fileBuffer, iconvOut);
                                                },
                                                1));
        }
        bench::Row fileRow;
        fileRow.name = std::string("read ") + input.name + " file to UTF-16";
        fileRow.ours = megabytes / oursFile;
        fileRow.reference = megabytes / iconvFile;
        fileRow.unit = "MB/s";
        fileRow.higherIsBetter = true;
        fileRow.target = input.target;
        fileRow.note = "ReadTextFile vs fread + iconv, both into reused buffers";
        table.add(fileRow);

        iconv_close(cd);
        std::remove(path.c_str());
    }
}

} // namespace

TOVILO_BENCH_SUITE("encoding", runEncoding);
