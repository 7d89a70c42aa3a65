#pragma once

#include <QAction>
#include <QString>
#include <QWidget>

// Adds a command to a menu (or menu bar) under the given object name and wires it to a
// handler of the window.
template <class Window>
QAction* addCommand(QWidget* menu, const QString& caption, const char* name, Window* window,
                    void (Window::*handler)()) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(QLatin1String(name));
    QObject::connect(action, &QAction::triggered, window,
                     [window, handler] { (window->*handler)(); });
    menu->addAction(action);
    return action;
}
