// Help windows, desktop shortcuts and web sites.
#include "shell/appstate.h"
#include "shell/unit1.h"

void TForm1::keymap1Click() {}
void TForm1::copyright1Click() {}
void TForm1::createShortcutinprogrammenu1Click() {}
void TForm1::createshortcutinDesktopmenu1Click() {}
void TForm1::Jumptoofficialwebsite1Click() {}
void TForm1::JumptoToviloGlossawebsite1Click() {}
