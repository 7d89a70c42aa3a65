#include "app/appstate.h"
#include "app/memoryguard.h"
#include "encoding/platform.h"
#include "shell/commandline.h"
#include "shell/localname.h"
#include "shell/recoveryjournal.h"
#include "shell/startup.h"
#include "shell/unit1.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <new>

namespace {

// The program ends on an error that escaped the window: the text's journal gets every edit so
// far, so the next start offers the text back.
void keepJournal() {
    if (TForm1* form = app::state().Form1)
        form->editJournal().flush();
}

} // namespace

int main(int argc, char** argv) {
    enc::platform::IgnoreFileSizeSignal();
    // The batch commands need no window and no display: they run before any Qt GUI exists.
    if (argc >= 2 && cli::isCommand(argv[1]))
        return cli::run(argc, argv);
    // The arguments as given, so a file name that is not valid UTF-8 keeps its bytes. They are
    // taken before Qt sees the command line, and Qt is given none of them: the first argument
    // names a file even when it looks like one of Qt's options ("-reverse", "-style").
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << fromLocalName(argv[i]);
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    try {
        createApplicationWindows(arguments);
        app::state().Form1->show();
        const int code = QApplication::exec();
        destroyApplicationWindows();
        return code;
    } catch (const std::bad_alloc&) {
        // The edits refuse what they cannot get memory for; this is what escaped them.
        keepJournal();
        QMessageBox::critical(nullptr, QStringLiteral("toviloeditru"), app::notEnoughMemoryText(0));
    } catch (const std::exception& error) {
        keepJournal();
        QMessageBox::critical(nullptr, QStringLiteral("toviloeditru"),
                              QString::fromLocal8Bit(error.what()));
    } catch (...) {
        keepJournal();
        QMessageBox::critical(nullptr, QStringLiteral("toviloeditru"), QString());
    }
    return 1;
}
