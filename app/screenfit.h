#pragma once

class QWidget;

namespace screenfit {

// Moves a top-level window, and shrinks it where it must (as far as its minimum size allows),
// so that its frame lies within the available area of the screen it stands on. A window that
// fits already is left where it is.
void fitIntoScreen(QWidget& window);

} // namespace screenfit
