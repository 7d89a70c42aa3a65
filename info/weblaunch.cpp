#include "info/weblaunch.h"

#include <QDesktopServices>
#include <QUrl>
#include <utility>

namespace weblaunch {
namespace {

UrlOpener& currentOpener() {
    static UrlOpener opener;
    return opener;
}

} // namespace

bool openAddress(const QString& address) {
    // The address goes to the desktop as a URL, never into a command line.
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    if (currentOpener())
        return currentOpener()(url);
    return QDesktopServices::openUrl(url);
}

UrlOpener setUrlOpener(UrlOpener opener) {
    return std::exchange(currentOpener(), std::move(opener));
}

} // namespace weblaunch
