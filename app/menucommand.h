#pragma once

#include "app/memoryguard.h"

#include <QAction>
#include <QString>
#include <QWidget>

// Adds a command to a menu (or menu bar) under the given object name and wires it to a
// handler of the window. A command that runs out of memory is refused with a message.
template <class Window>
QAction* addCommand(QWidget* menu, const QString& caption, const char* name, Window* window,
                    void (Window::*handler)()) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, window,
                     [window, handler] { app::guardMemory([&] { (window->*handler)(); }); });
    menu->addAction(action);
    return action;
}
