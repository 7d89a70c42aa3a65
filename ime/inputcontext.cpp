#include "ime/inputcontext.h"

#include "ime/texttarget.h"

namespace ime {

int InputContext::keyPress(TextTarget& target, int key, int imeMode, int placement) {
    if (AccentPending) {
        insertCombiningAcute(target);
        AccentPending = 0;
        return 0;
    }
    switch (imeMode) {
    case 1:
        return RomanizedInputKey(target, key, RomaDecided, m_collapse);
    case 2:
        return DirectInputKey(target, key, placement);
    default:
        return key;
    }
}

void insertCombiningAcute(TextTarget& target) {
    const qsizetype end = target.selStart() + target.selLength();
    target.setSelStart(end);
    target.setSelText(QString(QChar(0x0301)));
    target.setSelStart(end + 1);
}

namespace {

// The mode's status panel text and its name, for modes 0, 1 and 2.
struct ModeTexts {
    const char* panel;
    const char* name;
};
constexpr ModeTexts kModeTexts[] = {
    {"", "nonIME"},
    {"R", "RussiaRomaIME"},
    {"H", "RussiaDirectIME"},
};

const ModeTexts& textsOf(int mode) {
    return mode == 1 || mode == 2 ? kModeTexts[mode] : kModeTexts[0];
}

} // namespace

QString modePanelText(int mode) {
    return QString::fromLatin1(textsOf(mode).panel);
}

QString modeName(int mode) {
    return QString::fromLatin1(textsOf(mode).name);
}

} // namespace ime
