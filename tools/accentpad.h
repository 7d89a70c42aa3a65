#pragma once

class QWidget;

// The accent pad's life: created on first use (the picture pad on systems of the Windows 95
// family, the button pad otherwise), shown again on later uses, freed when the main window
// closes. AccentPadCreated is 1 exactly while a pad exists.
namespace tools {

// Creates the pad owned by owner if there is none, then shows it and brings it to the front.
// Returns the pad window.
QWidget* showAccentPad(QWidget* owner);

// Destroys the pad if one was created and clears AccentPadCreated.
void freeAccentPad();

} // namespace tools
