// Closing the main window and the exit command.
#include "shell/appstate.h"
#include "shell/unit1.h"

#include <QCloseEvent>

void TForm1::exit1Click() {}

void TForm1::FormClose() {}

void TForm1::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept();
}
