#include "app/memoryguard.h"

#include "app/appstate.h"
#include "app/mainwindow.h"
#include "app/modal.h"
#include "text/textbuffer.h"

#include <QMessageBox>
#include <QWidget>
#include <new>

namespace app {

QString notEnoughMemoryText(std::int64_t bytes) {
    const QString text = QStringLiteral("not enough memory");
    if (bytes <= 0)
        return text;
    constexpr std::int64_t kKilo = 1000;
    constexpr std::int64_t kMega = 1000 * 1000;
    if (bytes < kKilo)
        return text + QStringLiteral(" for %1 bytes").arg(bytes);
    if (bytes < kMega)
        return text + QStringLiteral(" for %1 KB").arg((bytes + kKilo - 1) / kKilo);
    return text + QStringLiteral(" for %1 MB").arg((bytes + kMega - 1) / kMega);
}

void showNotEnoughMemory(std::int64_t bytes) {
    QWidget* parent = state().mainWindow ? &state().mainWindow->mainWidget() : nullptr;
    QMessageBox box(QMessageBox::Critical, QStringLiteral("ERROR"), notEnoughMemoryText(bytes),
                    QMessageBox::Ok, parent);
    box.setDefaultButton(QMessageBox::Ok);
    modal::run(box);
}

bool guardMemory(const std::function<void()>& command) {
    std::int64_t bytes = 0;
    try {
        command();
        return true;
    } catch (const text::OutOfMemory& failed) {
        bytes = failed.bytes();
    } catch (const std::bad_alloc&) {
        bytes = 0;
    }
    // Shown after the handler has ended, so the memory the command held is given back first.
    showNotEnoughMemory(bytes);
    return false;
}

void sizedMemory(std::int64_t bytes, const std::function<void()>& work) {
    try {
        work();
    } catch (const text::OutOfMemory&) {
        throw;
    } catch (const std::bad_alloc&) {
        throw text::OutOfMemory(bytes);
    }
}

} // namespace app
