#include "app/modal.h"

#include <QDialog>
#include <utility>

namespace modal {
namespace {

Responder& responder() {
    static Responder current;
    return current;
}

} // namespace

int run(QDialog& dialog) {
    if (!responder())
        return dialog.exec();
    // Show it as a modal window would be shown, then let the responder answer it.
    dialog.setModal(true);
    dialog.setResult(QDialog::Rejected);
    dialog.show();
    Responder current = responder(); // the responder may replace itself while it runs
    current(dialog);
    if (dialog.isVisible())
        dialog.reject();
    return dialog.result();
}

Responder setResponder(Responder r) {
    return std::exchange(responder(), std::move(r));
}

bool answeredByResponder() {
    return static_cast<bool>(responder());
}

} // namespace modal
