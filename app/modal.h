#pragma once

#include <functional>

class QDialog;

// Every modal question of the program (message boxes, file and font dialogs, the exit window)
// is run through this one seam, so that a test can answer it through the real window.
namespace modal {

// Called with the dialog shown (not yet answered); it answers by closing the dialog, for
// instance by clicking one of its buttons or calling accept(). A dialog it leaves open is
// rejected.
using Responder = std::function<void(QDialog&)>;

// Runs the dialog modally and returns its result code (QDialog::exec()'s value).
int run(QDialog& dialog);

// Installs a responder (an empty one restores real modal runs). Returns the previous one.
Responder setResponder(Responder responder);

// True while a responder is installed (dialogs then avoid the platform's native windows).
bool answeredByResponder();

} // namespace modal
