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
    new Tsearchform(Form1);
    new Thelpform(Form1);
    new Tcopyrightform(Form1);
    new Texitform(Form1);
    new Trussiaskbform(Form1);
}

void destroyApplicationWindows() {
    // The other windows are children of the main window and go with it.
    delete Form1;
    Form1 = nullptr;
    mainWindow = nullptr;
    searchform = nullptr;
    helpform = nullptr;
    copyrightform = nullptr;
    exitform = nullptr;
    russiaskbform = nullptr;
    accentform = nullptr;
    accent2form = nullptr;
    AccentPadCreated = 0;
}
