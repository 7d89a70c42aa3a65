#pragma once

#include <QString>

// The program's own addresses, shown in the copyright window and opened by the jump commands.
namespace info {

// The program's name and its copyright notice, one line.
QString programNotice();
// The author's contact e-mail address.
QString contactAddress();
// The program's official web site (path /toviloeditru, no trailing slash).
QString officialSiteAddress();
// The maker's dictionary web site (no path).
QString glossaSiteAddress();

} // namespace info
