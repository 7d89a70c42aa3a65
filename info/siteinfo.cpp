#include "info/siteinfo.h"

namespace info {

QString programNotice() {
    return QStringLiteral("Tovilo Russian Editor Ver 0.81  Copyright (C) 2026 Tovilo");
}

QString contactAddress() {
    return QStringLiteral("toviloeditru@tovilo.com");
}

QString officialSiteAddress() {
    return QStringLiteral("http://www.tovilo.com/toviloeditru");
}

QString glossaSiteAddress() {
    return QStringLiteral("http://www.toviloglossa.com");
}

} // namespace info
