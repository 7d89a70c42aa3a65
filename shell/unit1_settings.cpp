// Reading the settings files at start-up.
#include "shell/appstate.h"
#include "shell/unit1.h"

void TForm1::readSettingsFile() {}
void TForm1::readFontFile() {}
