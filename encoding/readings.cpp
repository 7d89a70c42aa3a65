#include "encoding/readings.h"

#include <cstddef>

namespace enc {
namespace {

struct Name {
    const char* name;
    Reading reading;
};

constexpr Name kNames[] = {
    {"shift_jis", ReadShiftJis}, {"euc-jp", ReadEucJp}, {"utf-16le", ReadUtf16Le},
    {"utf-16be", ReadUtf16Be},   {"utf-8", ReadUtf8},   {"windows-1251", ReadWindows1251},
    {"cp1251", ReadWindows1251}, {"koi8-r", ReadKoi8r}, {"cp866", ReadCp866},
    {"ibm866", ReadCp866},
};

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

bool sameName(std::string_view given, std::string_view known) {
    if (given.size() != known.size())
        return false;
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (lower(given[i]) != known[i])
            return false;
    }
    return true;
}

} // namespace

const char* ReadingCaption(Reading reading) {
    static const char* const kCaptions[kReadingCount] = {"Shift_JIS", "EUC-JP", "UTF-16 LE",
                                                         "UTF-16 BE", "UTF-8",  "Windows-1251",
                                                         "KOI8-R",    "CP866"};
    return reading >= 0 && reading < kReadingCount ? kCaptions[reading] : "UTF-8";
}

Detection ReadingDetection(Reading reading, BomKind fileBom) {
    switch (reading) {
    case ReadShiftJis:
        return {EncSjis, BomNone};
    case ReadEucJp:
        return {EncEuc, BomNone};
    case ReadUtf16Le:
        if (fileBom == BomUtf16Le)
            return {EncUtf16, BomUtf16Le};
        return {EncUtf16LeNoBom, BomNone};
    case ReadUtf16Be:
        if (fileBom == BomUtf16Le || fileBom == BomUtf16Be)
            return {EncUtf16, fileBom};
        return {EncUtf16, BomNone};
    case ReadWindows1251:
        return {EncCp1251, BomNone};
    case ReadKoi8r:
        return {EncKoi8r, BomNone};
    case ReadCp866:
        return {EncCp866, BomNone};
    case ReadUtf8:
        break;
    }
    return {EncUtf8, fileBom == BomUtf8 ? BomUtf8 : BomNone};
}

Reading ReadingOf(const Detection& detection) {
    switch (detection.encoding) {
    case EncSjis:
        return ReadShiftJis;
    case EncEuc:
        return ReadEucJp;
    case EncUtf16LeNoBom:
        return ReadUtf16Le;
    case EncUtf16:
        return detection.bom == BomUtf16Le ? ReadUtf16Le : ReadUtf16Be;
    case EncCp1251:
        return ReadWindows1251;
    case EncKoi8r:
        return ReadKoi8r;
    case EncCp866:
        return ReadCp866;
    case EncUtf8:
        break;
    }
    return ReadUtf8;
}

bool ReadingNamed(std::string_view name, Reading& reading) {
    for (const Name& known : kNames) {
        if (sameName(name, known.name)) {
            reading = known.reading;
            return true;
        }
    }
    return false;
}

const char* ReadingNames() {
    return "shift_jis, euc-jp, utf-16le, utf-16be, utf-8, windows-1251 (cp1251), koi8-r, "
           "cp866 (ibm866)";
}

} // namespace enc
