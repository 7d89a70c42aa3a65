#include "guiapp.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cstdlib>

namespace bench {

QApplication& guiApp() {
    static int argc = 1;
    static char name[] = "toviloeditru-bench";
    static char* argv[] = {name, nullptr};
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    // Never destroyed: tearing a widget application down among the static destructors at
    // exit crashes, and the process is ending anyway.
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

void sendKey(QWidget* target, int key, const QString& text, Qt::KeyboardModifiers modifiers) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers, text);
    QApplication::sendEvent(target, &release);
}

} // namespace bench
