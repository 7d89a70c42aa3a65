#pragma once

#include "ime/inputcontext.h"

#include <QString>
#include <array>
#include <cstdint>

class TForm1;
namespace app {
class MainWindow;
}
class Tsearchform;
class Thelpform;
class Tcopyrightform;
class Texitform;
class Trussiaskbform;
class Taccentform;
class Taccent2form;

// Application-wide state, touched only from the user-interface thread. Flags are 0 or 1.

// Folder of the executable, always ending in a separator.
extern QString ProgramDir;
// Name of the file the open command last tried to open.
extern QString RememberedFileName;
// Input mode: 0 none, 1 romanized, 2 direct.
extern int ImeMode;
extern int TextModified;
extern int OpenFromCommandLine;
extern int IsWin9x;
extern int IsVistaOrLater;
extern int WindowTop;
extern int WindowLeft;
extern int WindowWidth;
extern int WindowHeight;
// The editor font as stored in fontedit.dat: 216 bytes, little-endian.
using FontRecordBytes = std::array<std::uint8_t, 216>;
extern FontRecordBytes FontRecord;
// 0 cancel, 1 save and exit, 2 exit without saving.
extern int ExitChoice;
extern int SaveToRememberedName;
extern int AccentPadCreated;
// The input method's memory of the editor (its RomaDecided and AccentPending) and of the find
// entry (the entry's EditRomaDecided and EditAccentPending).
extern ime::InputContext MemoInput;
extern ime::InputContext EditInput;
// Set by the find dialog's Find, read by the find command.
extern int FindRequested;

// Window pointers, set when each window is created.
extern TForm1* Form1;
// Form1 as the windows below the main window see it.
extern app::MainWindow* mainWindow;
extern Tsearchform* searchform;
extern Thelpform* helpform;
extern Tcopyrightform* copyrightform;
extern Texitform* exitform;
extern Trussiaskbform* russiaskbform;
extern Taccentform* accentform;
extern Taccent2form* accent2form;

// Puts every value back to its start value (window pointers excepted); used between runs of
// the main window inside one process, as tests do.
void resetAppState();
