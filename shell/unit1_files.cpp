// Opening, inserting, saving and exporting files.
#include "shell/appstate.h"
#include "shell/unit1.h"

void TForm1::opentextfile1Click() { OpenFromCommandLine = 0; }
void TForm1::inserttextfile1Click() {}
void TForm1::savefile1Click() {}
void TForm1::overwritesavefileUTF81Click() {}
void TForm1::saveHTML99tagASCII1Click() {}
void TForm1::saveUnicodenumberlanguageC0x1Click() {}
