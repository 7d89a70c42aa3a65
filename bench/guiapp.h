#pragma once

class QApplication;

namespace bench {

// The one widget application of the benchmark program, created offscreen on first use and
// shared by every suite that drives real windows.
QApplication& guiApp();

} // namespace bench
