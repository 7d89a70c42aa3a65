#include "tools/kanjihangul.h"

#include "tools/kanjihangultable.h"

namespace kanji {

static_assert(KanjiHangulTable.size() == 2192);

char16_t KanjiToHangul(char16_t unit, int type) {
    int low = 0;
    int high = static_cast<int>(KanjiHangulTable.size()) - 1;
    while (high >= low) {
        const int mid = (low + high) / 2;
        const KanjiHangulRecord& record = KanjiHangulTable[mid];
        if (record.kanji == unit) {
            if (type == 2 && record.reading2 != 0)
                return static_cast<char16_t>(record.reading2);
            return static_cast<char16_t>(record.reading1);
        }
        if (record.kanji < unit)
            low = mid + 1;
        else
            high = mid - 1;
    }
    return unit;
}

std::u16string ConvertKanjiToHangul(std::u16string_view text, int type) {
    std::u16string converted(text);
    for (char16_t& unit : converted)
        unit = KanjiToHangul(unit, type);
    return converted;
}

} // namespace kanji
