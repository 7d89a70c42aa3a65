#include "app/appstate.h"

QString ProgramDir;
QString RememberedFileName;
// Every value below gets its start value from resetAppState(), run once at load.
int ImeMode;
int TextModified;
int OpenFromCommandLine;
int IsWin9x;
int IsVistaOrLater;
int WindowTop;
int WindowLeft;
int WindowWidth;
int WindowHeight;
FontRecordBytes FontRecord{};
int ExitChoice;
int SaveToRememberedName;
int AccentPadCreated;
ime::InputContext MemoInput;
ime::InputContext EditInput;
int FindRequested;

TForm1* Form1 = nullptr;
app::MainWindow* mainWindow = nullptr;
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
    ExitChoice = 0;
    SaveToRememberedName = 0;
    AccentPadCreated = 0;
    MemoInput = ime::InputContext(ime::SelectionCollapse::ToEnd);
    EditInput = ime::InputContext(ime::SelectionCollapse::ToStart);
    FindRequested = 0;
}

namespace {
[[maybe_unused]] const bool kStartValuesSet = (resetAppState(), true);
} // namespace
