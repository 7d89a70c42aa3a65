#pragma once

#include <array>
#include <cstddef>

namespace tools {

// One key of the accent pad: the button's object name and the UTF-16 unit it inserts.
struct AccentKey {
    const char* name;
    char16_t code;
};

inline constexpr int kAccentRows = 8;
inline constexpr int kAccentColumns = 14;

// 112 entries. The keys of the accent pad, row by row, each row left to right (index 14 * (row - 1)
// + (column - 1), rows and columns counted from 1). Every code is one BMP unit, never a surrogate.
// Column 14 of rows 4 to 8 holds combining accents, shown here on a dotted circle.
// clang-format off
inline constexpr std::array<AccentKey, kAccentRows * kAccentColumns> kAccentKeys = {{
    // button name     code      row,col char
    {"ButtonAc0",      0x00E4}, // 1, 1  ä
    {"ButtonIc0",      0x00EF}, // 1, 2  ï
    {"ButtonUc0",      0x00FC}, // 1, 3  ü
    {"ButtonEc0",      0x00EB}, // 1, 4  ë
    {"ButtonOc0",      0x00F6}, // 1, 5  ö
    {"ButtonA0",       0x00C4}, // 1, 6  Ä
    {"ButtonI0",       0x00CF}, // 1, 7  Ï
    {"ButtonU0",       0x00DC}, // 1, 8  Ü
    {"ButtonE0",       0x00CB}, // 1, 9  Ë
    {"ButtonO0",       0x00D6}, // 1,10  Ö
    {"ButtonSs",       0x00DF}, // 1,11  ß
    {"ButtonSeimon",   0x0294}, // 1,12  ʔ
    {"ButtonD3s",      0x02A4}, // 1,13  ʤ
    {"ButtonEEd",      0x0190}, // 1,14  Ɛ
    {"ButtonAc2",      0x00E1}, // 2, 1  á
    {"ButtonIc2",      0x00ED}, // 2, 2  í
    {"ButtonUc2",      0x00FA}, // 2, 3  ú
    {"ButtonEc2",      0x00E9}, // 2, 4  é
    {"ButtonOc2",      0x00F3}, // 2, 5  ó
    {"ButtonA2",       0x00C1}, // 2, 6  Á
    {"ButtonI2",       0x00CD}, // 2, 7  Í
    {"ButtonU2",       0x00DA}, // 2, 8  Ú
    {"ButtonE2",       0x00C9}, // 2, 9  É
    {"ButtonO2",       0x00D3}, // 2,10  Ó
    {"ButtonEEE",      0x025B}, // 2,11  ɛ
    {"ButtonOu",       0x028A}, // 2,12  ʊ
    {"ButtonDd",       0x00F0}, // 2,13  ð
    {"ButtonZ3cg",     0x01B9}, // 2,14  ƹ
    {"ButtonAc4",      0x00E0}, // 3, 1  à
    {"ButtonIc4",      0x00EC}, // 3, 2  ì
    {"ButtonUc4",      0x00F9}, // 3, 3  ù
    {"ButtonEc4",      0x00E8}, // 3, 4  è
    {"ButtonOc4",      0x00F2}, // 3, 5  ò
    {"ButtonA4",       0x00C0}, // 3, 6  À
    {"ButtonI4",       0x00CC}, // 3, 7  Ì
    {"ButtonU4",       0x00D9}, // 3, 8  Ù
    {"ButtonE4",       0x00C8}, // 3, 9  È
    {"ButtonO4",       0x00D2}, // 3,10  Ò
    {"ButtonEr",       0x0259}, // 3,11  ə
    {"ButtonChou",     0x02D0}, // 3,12  ː
    {"ButtonXs",       0x03C7}, // 3,13  χ
    {"ButtonSt",       0x03B8}, // 3,14  θ
    {"ButtonAc5",      0x00E2}, // 4, 1  â
    {"ButtonIc5",      0x00EE}, // 4, 2  î
    {"ButtonUc5",      0x00FB}, // 4, 3  û
    {"ButtonEc5",      0x00EA}, // 4, 4  ê
    {"ButtonOc5",      0x00F4}, // 4, 5  ô
    {"ButtonA5",       0x00C2}, // 4, 6  Â
    {"ButtonI5",       0x00CE}, // 4, 7  Î
    {"ButtonU5",       0x00DB}, // 4, 8  Û
    {"ButtonE5",       0x00CA}, // 4, 9  Ê
    {"ButtonO5",       0x00D4}, // 4,10  Ô
    {"ButtonUu",       0x026F}, // 4,11  ɯ
    {"ButtonWu",       0x02B7}, // 4,12  ʷ
    {"ButtonYg",       0x028E}, // 4,13  ʎ
    {"ButtonX301",     0x0301}, // 4,14  ◌́
    {"ButtonAc1",      0x0101}, // 5, 1  ā
    {"ButtonIc1",      0x012B}, // 5, 2  ī
    {"ButtonUc1",      0x016B}, // 5, 3  ū
    {"ButtonEc1",      0x0113}, // 5, 4  ē
    {"ButtonOc1",      0x014D}, // 5, 5  ō
    {"ButtonA1",       0x0100}, // 5, 6  Ā
    {"ButtonI1",       0x012A}, // 5, 7  Ī
    {"ButtonU1",       0x016A}, // 5, 8  Ū
    {"ButtonE1",       0x0112}, // 5, 9  Ē
    {"ButtonO1",       0x014C}, // 5,10  Ō
    {"ButtonOo",       0x0254}, // 5,11  ɔ
    {"ButtonHu",       0x02B0}, // 5,12  ʰ
    {"ButtonBeta",     0x03B2}, // 5,13  β
    {"ButtonX300",     0x0300}, // 5,14  ◌̀
    {"ButtonAc3",      0x01CE}, // 6, 1  ǎ
    {"ButtonIc3",      0x01D0}, // 6, 2  ǐ
    {"ButtonUc3",      0x01D4}, // 6, 3  ǔ
    {"ButtonEc3",      0x011B}, // 6, 4  ě
    {"ButtonOc3",      0x01D2}, // 6, 5  ǒ
    {"ButtonA3",       0x01CD}, // 6, 6  Ǎ
    {"ButtonI3",       0x01CF}, // 6, 7  Ǐ
    {"ButtonU3",       0x01D3}, // 6, 8  Ǔ
    {"ButtonE3",       0x011A}, // 6, 9  Ě
    {"ButtonO3",       0x01D1}, // 6,10  Ǒ
    {"ButtonNg",       0x014B}, // 6,11  ŋ
    {"ButtonTenu",     0x02D1}, // 6,12  ˑ
    {"ButtonAh",       0x1D27}, // 6,13  ᴧ
    {"ButtonX302",     0x0302}, // 6,14  ◌̂
    {"ButtonAec",      0x00E6}, // 7, 1  æ
    {"ButtonOec",      0x0153}, // 7, 2  œ
    {"ButtonCdc",      0x00E7}, // 7, 3  ç
    {"ButtonAE",       0x00C6}, // 7, 4  Æ
    {"ButtonOE",       0x0152}, // 7, 5  Œ
    {"ButtonCd",       0x00C7}, // 7, 6  Ç
    {"ButtonNnc",      0x00F1}, // 7, 7  ñ
    {"ButtonNn",       0x00D1}, // 7, 8  Ñ
    {"ButtonHatenag",  0x00BF}, // 7, 9  ¿
    {"ButtonBikkurig", 0x00A1}, // 7,10  ¡
    {"ButtonNy",       0x0272}, // 7,11  ɲ
    {"ButtonTf",       0x02A7}, // 7,12  ʧ
    {"ButtonZ33",      0x1D23}, // 7,13  ᴣ
    {"ButtonX30c",     0x030C}, // 7,14  ◌̌
    {"ButtonCc5",      0x0109}, // 8, 1  ĉ
    {"Buttongc5",      0x011D}, // 8, 2  ĝ
    {"ButtonHc5",      0x0125}, // 8, 3  ĥ
    {"ButtonJc5",      0x0135}, // 8, 4  ĵ
    {"ButtonSc5",      0x015D}, // 8, 5  ŝ
    {"ButtonUc6",      0x016D}, // 8, 6  ŭ
    {"ButtonC5",       0x0108}, // 8, 7  Ĉ
    {"ButtonG5",       0x011C}, // 8, 8  Ĝ
    {"ButtonH5",       0x0124}, // 8, 9  Ĥ
    {"ButtonJ5",       0x0134}, // 8,10  Ĵ
    {"ButtonS5",       0x015C}, // 8,11  Ŝ
    {"ButtonU6",       0x016C}, // 8,12  Ŭ
    {"ButtonZ3dd",     0x01B7}, // 8,13  Ʒ
    {"ButtonX304",     0x0304}, // 8,14  ◌̄
}};
// clang-format on

// The key at a row and column counted from 1; both must be in range.
constexpr const AccentKey& accentKeyAt(int row, int column) {
    return kAccentKeys[static_cast<std::size_t>(kAccentColumns * (row - 1) + (column - 1))];
}

} // namespace tools
