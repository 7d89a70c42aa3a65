#pragma once

#include <QStringList>

// Creates the application's windows in their start-up order: the main window (whose creation
// reads the settings and may open a file), the find dialog, the keymap help, the copyright
// window, the exit window and the Russian screen keyboard; each stores itself in its global
// pointer.
void createApplicationWindows(const QStringList& arguments);

// Destroys every window created above (and an accent pad if one exists) and clears the
// pointers.
void destroyApplicationWindows();
