#include "info/helptext.h"

#include <array>

namespace info {
namespace {

// The key maps of both input schemes as the user reads them. This is documentation, kept as
// written even where the engines cycle in another order; line 58 ends with a space.
constexpr std::array<std::u16string_view, kKeymapHelpLineCount> kKeymapHelpLines = {{
    u"Russian Romanized Input Key map",                     // 1
    u"-----------------------",                             // 2
    u"Ctrl+;=accent",                                       // 3
    u"space key=decide(KAKUTEI)",                           // 4
    u"A,А",                                                 // 5
    u"a,а",                                                 // 6
    u"B,[Б,Ъ,Ь](toggle)",                                   // 7
    u"b,[б,ь,ъ](toggle)",                                   // 8
    u"V,В",                                                 // 9
    u"v,в",                                                 // 10
    u"G,Г",                                                 // 11
    u"g,г",                                                 // 12
    u"D,Д",                                                 // 13
    u"d,д",                                                 // 14
    u"E,[Е,Ё,Э](toggle)",                                   // 15
    u"e,[е,ё,э](toggle)",                                   // 16
    u"Zh,Ж",                                                // 17
    u"zh,ж",                                                // 18
    u"Z,[З,Ж] (toggle)",                                    // 19
    u"z,[з,ж]",                                             // 20
    u"I,[И,Й,Ю,Я](toggle)",                                 // 21
    u"i,[и,й,ю,я](toggle)",                                 // 22
    u"K,[К,Х](toggle)",                                     // 23
    u"k,[к,х](toggle)",                                     // 24
    u"Kh,Х",                                                // 25
    u"kh,х",                                                // 26
    u"L,Л",                                                 // 27
    u"l,л",                                                 // 28
    u"M,М",                                                 // 29
    u"m,м",                                                 // 30
    u"N,Н",                                                 // 31
    u"n,н",                                                 // 32
    u"O,О",                                                 // 33
    u"o,о",                                                 // 34
    u"P,П",                                                 // 35
    u"p,п",                                                 // 36
    u"R,Р",                                                 // 37
    u"r,р",                                                 // 38
    u"S,[С,Ш,Щ](toggle)",                                   // 39
    u"s,[с,ш,щ](toggle)",                                   // 40
    u"Sh,Ш",                                                // 41
    u"sh,ш",                                                // 42
    u"T,[Т,Ц](toggle)",                                     // 43
    u"t,[т,ц](toggle)",                                     // 44
    u"U,У",                                                 // 45
    u"u,у",                                                 // 46
    u"F,Ф",                                                 // 47
    u"f,ф",                                                 // 48
    u"C,Ч",                                                 // 49
    u"c,ч",                                                 // 50
    u"Y,Ы",                                                 // 51
    u"y,ы",                                                 // 52
    u"X,Х",                                                 // 53
    u"x,х",                                                 // 54
    u"H,Н",                                                 // 55
    u"h,н",                                                 // 56
    u"",                                                    // 57
    u"q,[ө,ү,Ө,Ү](toggle)(for Mongol) ",                    // 58
    u"-----------------------",                             // 59
    u"Russian Direct Input Key map(for Japanese Keyboard)", // 60
    u"-----------------------",                             // 61
    u"Ctrl+;=accent",                                       // 62
    u"Q,Й",                                                 // 63
    u"q,й",                                                 // 64
    u"W,Ц",                                                 // 65
    u"w,ц",                                                 // 66
    u"E,У",                                                 // 67
    u"e,у",                                                 // 68
    u"R,К",                                                 // 69
    u"r,к",                                                 // 70
    u"T,Е",                                                 // 71
    u"t,е",                                                 // 72
    u"Y,Н",                                                 // 73
    u"y,н",                                                 // 74
    u"U,Г",                                                 // 75
    u"u,г",                                                 // 76
    u"I,Ш",                                                 // 77
    u"i,ш",                                                 // 78
    u"O,Щ",                                                 // 79
    u"o,щ",                                                 // 80
    u"P,З",                                                 // 81
    u"p,з",                                                 // 82
    u"`,Х",                                                 // 83
    u"@,х",                                                 // 84
    u"{,Ъ",                                                 // 85
    u"[,ъ",                                                 // 86
    u"A,Ф",                                                 // 87
    u"a,ф",                                                 // 88
    u"S,Ы",                                                 // 89
    u"s,ы",                                                 // 90
    u"D,В",                                                 // 91
    u"d,в",                                                 // 92
    u"F,А",                                                 // 93
    u"f,а",                                                 // 94
    u"G,П",                                                 // 95
    u"g,п",                                                 // 96
    u"H,Р",                                                 // 97
    u"h,р",                                                 // 98
    u"J,О",                                                 // 99
    u"j,о",                                                 // 100
    u"K,Л",                                                 // 101
    u"k,л",                                                 // 102
    u"L,Д",                                                 // 103
    u"l,д",                                                 // 104
    u"+,Ж",                                                 // 105
    u";,ж",                                                 // 106
    u"*,Э",                                                 // 107
    u":,э",                                                 // 108
    u"Z,Я",                                                 // 109
    u"z,я",                                                 // 110
    u"X,Ч",                                                 // 111
    u"x,ч",                                                 // 112
    u"C,С",                                                 // 113
    u"c,с",                                                 // 114
    u"V,М",                                                 // 115
    u"v,м",                                                 // 116
    u"B,И",                                                 // 117
    u"b,и",                                                 // 118
    u"N,Т",                                                 // 119
    u"n,т",                                                 // 120
    u"M,Ь",                                                 // 121
    u"m,ь",                                                 // 122
    u"<,Б",                                                 // 123
    u",,б",                                                 // 124
    u">,Ю",                                                 // 125
    u".,ю",                                                 // 126
    u"?,Ё",                                                 // 127
    u"/,ё",                                                 // 128
}};

} // namespace

std::span<const std::u16string_view> keymapHelpLines() {
    return kKeymapHelpLines;
}

QString keymapHelpText() {
    QString text;
    text.reserve(2048);
    for (std::size_t i = 0; i < kKeymapHelpLines.size(); ++i) {
        if (i > 0)
            text += QStringLiteral("\r\n");
        const std::u16string_view line = kKeymapHelpLines[i];
        text.append(QStringView(line.data(), static_cast<qsizetype>(line.size())));
    }
    return text;
}

} // namespace info
