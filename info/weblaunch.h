#pragma once

#include <QString>
#include <functional>

class QUrl;

// Opens web addresses in the user's default browser through the desktop's own service.
namespace weblaunch {

// Opens one address; returns what the opener reports (true when the desktop took it).
using UrlOpener = std::function<bool(const QUrl&)>;

// Opens the address with the current opener. A failure is silent: the editor carries on.
bool openAddress(const QString& address);

// Replaces the opener (an empty one restores the desktop service). Returns the previous one.
UrlOpener setUrlOpener(UrlOpener opener);

} // namespace weblaunch
