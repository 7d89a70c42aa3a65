#include "ime/inputengines.h"
#include "ime/keycode.h"
#include "ime/texttarget.h"

#include <algorithm>
#include <array>

namespace ime {

namespace {

struct CommonKey {
    char key;
    char16_t letter;
};

// Keys that give the same letter on both keyboards. 60 rows.
// clang-format off
constexpr CommonKey kCommonKeys[] = {
    {'Q', u'\u0419'}, {'q', u'\u0439'}, // Й й
    {'W', u'\u0426'}, {'w', u'\u0446'}, // Ц ц
    {'E', u'\u0423'}, {'e', u'\u0443'}, // У у
    {'R', u'\u041A'}, {'r', u'\u043A'}, // К к
    {'T', u'\u0415'}, {'t', u'\u0435'}, // Е е
    {'Y', u'\u041D'}, {'y', u'\u043D'}, // Н н
    {'U', u'\u0413'}, {'u', u'\u0433'}, // Г г
    {'I', u'\u0428'}, {'i', u'\u0448'}, // Ш ш
    {'O', u'\u0429'}, {'o', u'\u0449'}, // Щ щ
    {'P', u'\u0417'}, {'p', u'\u0437'}, // З з
    {'A', u'\u0424'}, {'a', u'\u0444'}, // Ф ф
    {'S', u'\u042B'}, {'s', u'\u044B'}, // Ы ы
    {'D', u'\u0412'}, {'d', u'\u0432'}, // В в
    {'F', u'\u0410'}, {'f', u'\u0430'}, // А а
    {'G', u'\u041F'}, {'g', u'\u043F'}, // П п
    {'H', u'\u0420'}, {'h', u'\u0440'}, // Р р
    {'J', u'\u041E'}, {'j', u'\u043E'}, // О о
    {'K', u'\u041B'}, {'k', u'\u043B'}, // Л л
    {'L', u'\u0414'}, {'l', u'\u0434'}, // Д д
    {'Z', u'\u042F'}, {'z', u'\u044F'}, // Я я
    {'X', u'\u0427'}, {'x', u'\u0447'}, // Ч ч
    {'C', u'\u0421'}, {'c', u'\u0441'}, // С с
    {'V', u'\u041C'}, {'v', u'\u043C'}, // М м
    {'B', u'\u0418'}, {'b', u'\u0438'}, // И и
    {'N', u'\u0422'}, {'n', u'\u0442'}, // Т т
    {'M', u'\u042C'}, {'m', u'\u044C'}, // Ь ь
    {'<', u'\u0411'}, {',', u'\u0431'}, // Б б
    {'>', u'\u042E'}, {'.', u'\u044E'}, // Ю ю
    {'?', u'\u0401'}, {'/', u'\u0451'}, // Ё ё
    {'#', u'\u2116'}, {';', u'\u0436'}, // № ж
};
// clang-format on

struct PlacedKey {
    char key;
    char16_t japanese; // 0: not mapped on a Japanese keyboard
    char16_t us;       // 0: not mapped on a US keyboard
};

// Keys right of P and L, which sit differently on the two keyboards. 11 rows.
// clang-format off
constexpr PlacedKey kPlacedKeys[] = {
    //       Japanese   US           Japanese  US
    {'`',  u'\u0425', 0       },  // Х         -
    {'@',  u'\u0445', 0       },  // х         -
    {'{',  u'\u042A', u'\u0425'}, // Ъ         Х
    {'[',  u'\u044A', u'\u0445'}, // ъ         х
    {'}',  0,         u'\u042A'}, // -         Ъ
    {']',  0,         u'\u044A'}, // -         ъ
    {'+',  u'\u0416', 0       },  // Ж         -
    {':',  u'\u044D', u'\u0416'}, // э         Ж
    {'*',  u'\u042D', 0       },  // Э         -
    {'"',  0,         u'\u042D'}, // -         Э
    {'\'', 0,         u'\u044D'}, // -         э
};
// clang-format on

using DirectMap = std::array<char16_t, kAsciiKeys>;

// One lookup array per keyboard, indexed by the key code; 0 means not mapped.
constexpr DirectMap buildMap(bool japanese) {
    DirectMap map{};
    for (const CommonKey& row : kCommonKeys)
        map[static_cast<unsigned char>(row.key)] = row.letter;
    for (const PlacedKey& row : kPlacedKeys)
        map[static_cast<unsigned char>(row.key)] = japanese ? row.japanese : row.us;
    return map;
}

// Every key has exactly one row across both tables.
constexpr bool keysAreUnique() {
    std::array<int, kAsciiKeys> rows{};
    for (const CommonKey& row : kCommonKeys)
        ++rows[static_cast<unsigned char>(row.key)];
    for (const PlacedKey& row : kPlacedKeys)
        ++rows[static_cast<unsigned char>(row.key)];
    for (int count : rows) {
        if (count > 1)
            return false;
    }
    return true;
}

static_assert(std::size(kCommonKeys) == 60);
static_assert(std::size(kPlacedKeys) == 11);
static_assert(keysAreUnique());

constexpr DirectMap kJapaneseMap = buildMap(true);
constexpr DirectMap kUsMap = buildMap(false);

// On each keyboard no two keys give the same letter, so the map can be read backwards.
constexpr bool lettersAreUnique(const DirectMap& map) {
    for (int a = 0; a < kAsciiKeys; ++a) {
        for (int b = a + 1; b < kAsciiKeys; ++b) {
            if (map[a] != 0 && map[a] == map[b])
                return false;
        }
    }
    return true;
}
static_assert(lettersAreUnique(kJapaneseMap));
static_assert(lettersAreUnique(kUsMap));

} // namespace

int DirectInputKey(TextTarget& target, int key, int placement) {
    const qsizetype length = target.length();

    // The selection is never replaced: input goes after it and the selected text stays.
    target.setSelStart(target.selStart() + target.selLength());
    const qsizetype p = target.selStart();

    if (key == kBackspace)
        return length == 0 ? 0 : key; // the control deletes the unit before the caret

    const int code = asciiKey(key);
    if (code < 0)
        return key;
    const DirectMap& map = placement == PlacementJapanese ? kJapaneseMap : kUsMap;
    const char16_t letter = map[code];
    if (letter == 0)
        return key;

    target.setSelText(QString(QChar(letter)));
    target.setSelStart(p + 1);
    return 0;
}

int DirectInputKeyOf(char16_t letter, int placement) {
    if (letter == 0)
        return 0;
    const DirectMap& map = placement == PlacementJapanese ? kJapaneseMap : kUsMap;
    const auto it = std::find(map.begin(), map.end(), letter);
    return it == map.end() ? 0 : static_cast<int>(it - map.begin());
}

} // namespace ime
