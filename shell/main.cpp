#include "shell/appstate.h"
#include "shell/commandline.h"
#include "shell/localname.h"
#include "shell/startup.h"
#include "shell/unit1.h"

#include <QApplication>
#include <QMessageBox>
#include <exception>

int main(int argc, char** argv) {
    // The batch commands need no window and no display: they run before any Qt GUI exists.
    if (argc >= 2 && cli::isCommand(argv[1]))
        return cli::run(argc, argv);
    QApplication app(argc, argv);
    try {
        // The arguments as given, so a file name that is not valid UTF-8 keeps its bytes.
        QStringList arguments;
        for (int i = 0; i < argc; ++i)
            arguments << fromLocalName(argv[i]);
        createApplicationWindows(arguments);
        Form1->show();
        const int code = QApplication::exec();
        destroyApplicationWindows();
        return code;
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("toviloeditru"),
                              QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("toviloeditru"), QString());
    }
    return 1;
}
