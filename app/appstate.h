#pragma once

#include "app/forwarded.h"
#include "ime/inputcontext.h"

#include <QString>
#include <array>
#include <cstdint>

class TForm1;
class Tsearchform;
class Thelpform;
class Tcopyrightform;
class Texitform;
class Trussiaskbform;
class Taccentform;
class Taccent2form;

namespace app {

class MainWindow;

// The editor font as stored in fontedit.dat: 216 bytes, little-endian.
using FontRecordBytes = std::array<std::uint8_t, 216>;

// The application's values with their start values. Touched only from the user-interface
// thread. Flags are 0 or 1.
struct AppValues {
    // Folder of the executable, always ending in a separator.
    QString ProgramDir;
    // Name of the file the open command last tried to open: the name of the editor's document
    // (where a save without a dialog goes), forwarded to it while the main window lives.
    Forwarded<QString> RememberedFileName;
    // Input mode: 0 none, 1 romanized, 2 direct; shared by the editor and the find entry.
    int ImeMode = 1;
    // The editor's document's modified flag, forwarded to it while the main window lives.
    Forwarded<int> TextModified = 0;
    int OpenFromCommandLine = 0;
    int IsWin9x = 0;
    int IsVistaOrLater = 0;
    int WindowTop = 86;
    int WindowLeft = 357;
    int WindowWidth = 416;
    int WindowHeight = 480;
    FontRecordBytes FontRecord{};
    // 0 cancel, 1 save and exit, 2 exit without saving.
    int ExitChoice = 0;
    int SaveToRememberedName = 0;
    int AccentPadCreated = 0;
    // Set by the find dialog's Find, read by the find command.
    int FindRequested = 0;
    // The input method's memory of the editor (its RomaDecided and AccentPending) and of the
    // find entry (the entry's EditRomaDecided and EditAccentPending).
    ime::InputContext MemoInput{ime::SelectionCollapse::ToEnd};
    ime::InputContext EditInput{ime::SelectionCollapse::ToStart};
};

// The application object: its values and the window pointers, each set by its window when the
// window is created and cleared when it goes.
class Application : public AppValues {
public:
    TForm1* Form1 = nullptr;
    // Form1 as the windows below the main window see it.
    MainWindow* mainWindow = nullptr;
    Tsearchform* searchform = nullptr;
    Thelpform* helpform = nullptr;
    Tcopyrightform* copyrightform = nullptr;
    Texitform* exitform = nullptr;
    Trussiaskbform* russiaskbform = nullptr;
    Taccentform* accentform = nullptr;
    Taccent2form* accent2form = nullptr;

    // Puts every value back to its start value; the window pointers stay. Used between runs of
    // the main window inside one process, as tests do.
    void reset() { static_cast<AppValues&>(*this) = AppValues(); }
};

// The application object of this process.
Application& state();

} // namespace app
