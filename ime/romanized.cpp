#include "ime/inputengines.h"
#include "ime/keycode.h"
#include "ime/texttarget.h"

#include <algorithm>
#include <string_view>

namespace ime {

namespace {

struct SimpleKey {
    char key;
    char16_t letter;
};

// Keys that always give one letter. The small h also forms digraphs (below). 32 rows.
// clang-format off
constexpr SimpleKey kSimpleKeys[] = {
    {'A', u'\u0410'}, {'a', u'\u0430'}, // А а
    {'C', u'\u0427'}, {'c', u'\u0447'}, // Ч ч
    {'D', u'\u0414'}, {'d', u'\u0434'}, // Д д
    {'F', u'\u0424'}, {'f', u'\u0444'}, // Ф ф
    {'G', u'\u0413'}, {'g', u'\u0433'}, // Г г
    {'H', u'\u041D'}, {'h', u'\u043D'}, // Н н
    {'L', u'\u041B'}, {'l', u'\u043B'}, // Л л
    {'M', u'\u041C'}, {'m', u'\u043C'}, // М м
    {'N', u'\u041D'}, {'n', u'\u043D'}, // Н н
    {'O', u'\u041E'}, {'o', u'\u043E'}, // О о
    {'P', u'\u041F'}, {'p', u'\u043F'}, // П п
    {'R', u'\u0420'}, {'r', u'\u0440'}, // Р р
    {'U', u'\u0423'}, {'u', u'\u0443'}, // У у
    {'V', u'\u0412'}, {'v', u'\u0432'}, // В в
    {'X', u'\u0425'}, {'x', u'\u0445'}, // Х х
    {'Y', u'\u042B'}, {'y', u'\u044B'}, // Ы ы
};
// clang-format on

struct ToggleKey {
    char key;
    std::u16string_view cycle; // the first member is what the key inserts without cycling
};

// Keys whose repeated press turns the letter before the caret into the next one of the
// cycle; the last member is followed by the first. 15 rows.
// clang-format off
constexpr ToggleKey kToggleKeys[] = {
    {'B', u"\u0411\u042A\u042C"},       // Б Ъ Ь
    {'b', u"\u0431\u044A\u044C"},       // б ъ ь
    {'E', u"\u0415\u0401\u042D"},       // Е Ё Э
    {'e', u"\u0435\u0451\u044D"},       // е ё э
    {'I', u"\u0418\u0419\u042E\u042F"}, // И Й Ю Я
    {'i', u"\u0438\u0439\u044E\u044F"}, // и й ю я
    {'K', u"\u041A\u0425"},             // К Х
    {'k', u"\u043A\u0445"},             // к х
    {'S', u"\u0421\u0428\u0429"},       // С Ш Щ
    {'s', u"\u0441\u0448\u0449"},       // с ш щ
    {'T', u"\u0422\u0426"},             // Т Ц
    {'t', u"\u0442\u0446"},             // т ц
    {'Z', u"\u0417\u0416"},             // З Ж
    {'z', u"\u0437\u0436"},             // з ж
    {'q', u"\u04E9\u04AF\u04E8\u04AE"}, // ө ү Ө Ү
};
// clang-format on

struct Digraph {
    char16_t previous;
    char16_t joined;
};

// What the small h makes of the letter before the caret; the case of that letter is kept.
// 6 rows.
// clang-format off
constexpr Digraph kSmallHDigraphs[] = {
    {u'\u0437', u'\u0436'}, // з h -> ж
    {u'\u0417', u'\u0416'}, // З h -> Ж
    {u'\u043A', u'\u0445'}, // к h -> х
    {u'\u041A', u'\u0425'}, // К h -> Х
    {u'\u0441', u'\u0448'}, // с h -> ш
    {u'\u0421', u'\u0428'}, // С h -> Ш
};
// clang-format on

static_assert(std::size(kSimpleKeys) == 32);
static_assert(std::size(kToggleKeys) == 15);
static_assert(std::size(kSmallHDigraphs) == 6);

// A key has a row in at most one of the key tables.
constexpr bool keysAreUnique() {
    for (int code = 0; code < kAsciiKeys; ++code) {
        int rows = 0;
        for (const SimpleKey& row : kSimpleKeys)
            rows += row.key == code;
        for (const ToggleKey& row : kToggleKeys)
            rows += row.key == code;
        if (rows > 1)
            return false;
    }
    return true;
}
static_assert(keysAreUnique());

const ToggleKey* findToggle(int code) {
    const auto it = std::find_if(std::begin(kToggleKeys), std::end(kToggleKeys),
                                 [code](const ToggleKey& row) { return row.key == code; });
    return it == std::end(kToggleKeys) ? nullptr : it;
}

char16_t simpleLetter(int code) {
    const auto it = std::find_if(std::begin(kSimpleKeys), std::end(kSimpleKeys),
                                 [code](const SimpleKey& row) { return row.key == code; });
    return it == std::end(kSimpleKeys) ? 0 : it->letter;
}

char16_t digraphOf(char16_t previous) {
    const auto it =
        std::find_if(std::begin(kSmallHDigraphs), std::end(kSmallHDigraphs),
                     [previous](const Digraph& row) { return row.previous == previous; });
    return it == std::end(kSmallHDigraphs) ? 0 : it->joined;
}

} // namespace

int RomanizedInputKey(TextTarget& target, int key, int& decided, SelectionCollapse collapse) {
    const qsizetype length = target.length();

    // The selection is never replaced. The editor types after it, the find entry before it.
    if (collapse == SelectionCollapse::ToEnd)
        target.setSelStart(target.selStart() + target.selLength());
    else
        target.setSelStart(target.selStart());
    const qsizetype p = target.selStart();

    // Only the single unit before the caret is read, never the text around it.
    const char16_t previous = length > 0 && p > 0 ? target.unitBefore(p) : char16_t(0);

    if (key == kBackspace) {
        if (length == 0) {
            decided = 0;
            return 0;
        }
        return key; // the control deletes the unit before the caret; the flag stays
    }

    if (length == 0) {
        // Nothing stands before the caret to decide, so even a space is typed at once.
        decided = 0;
    } else if (key == kSpace) {
        // The first space only decides the letter before the caret; the next one is typed.
        if (decided != 0) {
            decided = 0;
            return key;
        }
        decided = 1;
        return 0;
    }

    const int code = asciiKey(key); // -1 matches no row
    char16_t letter = 0;
    bool replaces = false;
    if (const ToggleKey* toggle = findToggle(code)) {
        letter = toggle->cycle.front();
        const auto member =
            previous == 0 ? std::u16string_view::npos : toggle->cycle.find(previous);
        // A decided letter starts a new one instead of cycling.
        if (decided == 0 && member != std::u16string_view::npos) {
            letter = toggle->cycle[(member + 1) % toggle->cycle.size()];
            replaces = true;
        }
    } else {
        letter = simpleLetter(code);
        if (code == 'h' && decided == 0) {
            if (const char16_t joined = digraphOf(previous)) {
                letter = joined;
                replaces = true;
            }
        }
    }

    int result = key;
    if (letter != 0) {
        if (replaces)
            target.setSelection(p - 1, 1);
        target.setSelText(QString(QChar(letter)));
        // The editor leaves the inserted letter selected, the entry does not: set the caret.
        target.setSelStart(replaces ? p : p + 1);
        result = 0;
    }

    // Any key that gets this far ends a decision, whether it was mapped or not.
    decided = 0;
    return result;
}

bool RomanizedLetterIsOpen(char16_t unit) {
    const bool cycles =
        std::any_of(std::begin(kToggleKeys), std::end(kToggleKeys), [unit](const ToggleKey& row) {
            return row.cycle.find(unit) != std::u16string_view::npos;
        });
    return cycles || digraphOf(unit) != 0;
}

} // namespace ime
