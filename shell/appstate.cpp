#include "shell/appstate.h"

QString ProgramDir;
QString RememberedFileName;
int ImeMode = 1;
int TextModified = 0;
int OpenFromCommandLine = 0;
int IsWin9x = 0;
int IsVistaOrLater = 0;
int WindowTop = 86;
int WindowLeft = 357;
int WindowWidth = 416;
int WindowHeight = 480;
FontRecordBytes FontRecord{};
int AccentPending = 0;
int ExitChoice = 0;
int SaveToRememberedName = 0;
int AccentPadCreated = 0;
int RomaDecided = 0;
int EditRomaDecided = 0;
int FindRequested = 0;
int EditAccentPending = 0;

TForm1* Form1 = nullptr;
Tsearchform* searchform = nullptr;
Thelpform* helpform = nullptr;
Tcopyrightform* copyrightform = nullptr;
Texitform* exitform = nullptr;
Trussiaskbform* russiaskbform = nullptr;
Taccentform* accentform = nullptr;
Taccent2form* accent2form = nullptr;

void resetAppState() {
    ProgramDir.clear();
    RememberedFileName.clear();
    ImeMode = 1;
    TextModified = 0;
    OpenFromCommandLine = 0;
    IsWin9x = 0;
    IsVistaOrLater = 0;
    WindowTop = 86;
    WindowLeft = 357;
    WindowWidth = 416;
    WindowHeight = 480;
    FontRecord.fill(0);
    AccentPending = 0;
    ExitChoice = 0;
    SaveToRememberedName = 0;
    AccentPadCreated = 0;
    RomaDecided = 0;
    EditRomaDecided = 0;
    FindRequested = 0;
    EditAccentPending = 0;
}
