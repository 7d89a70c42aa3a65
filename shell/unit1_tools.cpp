// Character tools: accent pads, the screen keyboard and the Kanji conversion.
#include "shell/appstate.h"
#include "shell/unit1.h"
#include "view/memoview.h"
#include "tools/accentpad.h"
#include "tools/kanjihangul.h"
#include "tools/russiaskb.h"

#include <string_view>

namespace {

// Converts the editor's selection unit by unit. Only the runs of units that change are
// rewritten, so line breaks and everything outside the table stay untouched; the selection
// keeps its start and length and stays selected.
void convertSelection(TForm1& form, int type) {
    MemoView& target = form.memoTarget();
    const qsizetype start = target.selStart();
    const QString selected = target.selText();
    if (selected.isEmpty())
        return;
    const std::u16string converted = kanji::ConvertKanjiToHangul(
        std::u16string_view(reinterpret_cast<const char16_t*>(selected.utf16()),
                            static_cast<std::size_t>(selected.size())),
        type);
    // One undo step for the whole conversion.
    const MemoView::EditGroup group(target);
    const auto size = static_cast<qsizetype>(converted.size());
    for (qsizetype i = 0; i < size;) {
        if (converted[static_cast<std::size_t>(i)] == selected.at(i).unicode()) {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && converted[static_cast<std::size_t>(end)] != selected.at(end).unicode())
            ++end;
        target.setSelection(start + i, end - i);
        target.setSelText(QString::fromUtf16(converted.data() + i, end - i));
        i = end;
    }
    target.setSelection(start, selected.size());
}

} // namespace

void TForm1::AccentPAD1Click() {
    tools::showAccentPad(this);
}

void TForm1::AccentPAD2Click() {
    tools::showAccentPad(this);
}

void TForm1::Screenkeyboard1Click() {
    if (russiaskbform == nullptr)
        return;
    russiaskbform->show();
    russiaskbform->raise();
    russiaskbform->activateWindow();
}

void TForm1::Screenkeyboard2Click() {
    Screenkeyboard1Click();
}

void TForm1::KanjiJapantoHangulSelectArea1Click() {
    convertSelection(*this, 1);
}

void TForm1::KanjiJapantoHangulSelectAreaType21Click() {
    convertSelection(*this, 2);
}
