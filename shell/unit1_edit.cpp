// Edit commands of the editor's context menu and the clipboard.
#include "shell/appstate.h"
#include "shell/memoedit.h"
#include "shell/unit1.h"

#include <QTimer>

void TForm1::MenuItem1Click() {}
void TForm1::MenuItem2Click() {}
void TForm1::MenuItem3Click() {}
void TForm1::MenuItem4Click() {}
void TForm1::MenuItem5Click() {}

void TForm1::TimerMemoTimer() {
    Memo1->setReadOnly(false);
    TimerMemo->stop();
}
