#include "shell/startup.h"

#include "app/appstate.h"
#include "info/copyright.h"
#include "info/help.h"
#include "search/find.h"
#include "shell/exit.h"
#include "shell/unit1.h"
#include "tools/russiaskb.h"

void createApplicationWindows(const QStringList& arguments) {
    new TForm1(arguments);
    new Tsearchform(app::state().Form1);
    new Thelpform(app::state().Form1);
    new Tcopyrightform(app::state().Form1);
    new Texitform(app::state().Form1);
    new Trussiaskbform(app::state().Form1);
}

void destroyApplicationWindows() {
    // The other windows are children of the main window and go with it.
    delete app::state().Form1;
    app::state().Form1 = nullptr;
    app::state().mainWindow = nullptr;
    app::state().searchform = nullptr;
    app::state().helpform = nullptr;
    app::state().copyrightform = nullptr;
    app::state().exitform = nullptr;
    app::state().russiaskbform = nullptr;
    app::state().accentform = nullptr;
    app::state().accent2form = nullptr;
    app::state().AccentPadCreated = 0;
}
