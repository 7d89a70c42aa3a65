#pragma once

class QWidget;

namespace screenfit {

// Moves a top-level window, and shrinks it where it must (as far as its minimum size allows),
// so that its frame lies within the available area of the screen it stands on. A window that
// fits already is left where it is.
void fitIntoScreen(QWidget& window);

// Gives a tool window what users expect of one: Escape closes it as it closes a dialog (a
// window that hides on close only hides), and it is fitted into the screen each time it is
// shown, since at a large scale factor its designed place may lie partly off the screen.
void behaveAsToolWindow(QWidget& window);

} // namespace screenfit
