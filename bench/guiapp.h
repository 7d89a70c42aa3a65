#pragma once

#include <Qt>

class QApplication;
class QString;
class QWidget;

namespace bench {

// The one widget application of the benchmark program, created offscreen on first use and
// shared by every suite that drives real windows.
QApplication& guiApp();

// Sends one press and release of `key` with `text` to `target`, as typing does.
void sendKey(QWidget* target, int key, const QString& text,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);

} // namespace bench
