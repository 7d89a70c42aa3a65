// Character tools: accent pads, the screen keyboard and the Kanji conversion.
#include "shell/appstate.h"
#include "shell/unit1.h"

void TForm1::AccentPAD1Click() {}
void TForm1::AccentPAD2Click() {}
void TForm1::Screenkeyboard1Click() {}
void TForm1::Screenkeyboard2Click() {}
void TForm1::KanjiJapantoHangulSelectArea1Click() {}
void TForm1::KanjiJapantoHangulSelectAreaType21Click() {}
