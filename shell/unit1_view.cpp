// Font and wrap commands.
#include "search/find.h"
#include "shell/appstate.h"
#include "shell/modal.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QAction>
#include <QFontDialog>
#include <QLineEdit>

bool TForm1::wordWrap() const {
    return Memo1->wordWrap();
}

void TForm1::setWordWrapShown(bool on) {
    Memo1->setWordWrap(on);
    Wrapofftoggle1->setText(on ? QStringLiteral("Wrap Line off(toggle)")
                               : QStringLiteral("Wrap Line on(toggle)"));
    StatusBar1->setPanelText(TStatusBar::WrapPanel,
                             on ? QStringLiteral("WrapLine") : QStringLiteral("noWrapLine"));
}

void TForm1::Wrapofftoggle1Click() {
    setWordWrapShown(!wordWrap());
}

void TForm1::changefont1Click() {
    QFontDialog& dialog = FontDialog1();
    dialog.setCurrentFont(Memo1->font());
    if (modal::run(dialog) != QDialog::Accepted)
        return;
    const QFont chosen = dialog.selectedFont();
    Memo1->setFont(chosen);
    if (searchform && searchform->Edit1)
        searchform->Edit1->setFont(chosen);
    writeFontFile();
}
