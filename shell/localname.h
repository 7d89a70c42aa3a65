#pragma once

#include <QString>
#include <string>
#include <string_view>

// File names between the system's bytes and the window's strings, without loss. A name is
// decoded as UTF-8; each byte that is not part of a valid UTF-8 sequence becomes the lone
// surrogate U+DC80..U+DCFF (which valid UTF-8 never gives), and encoding turns those back into
// their bytes. So a name given on the command line reaches the file layer byte for byte, and
// names from the file dialogs (valid text) encode as plain UTF-8.
QString fromLocalName(std::string_view bytes);
std::string toLocalName(const QString& name);

// The name for showing in a menu or a message: each byte of the name that is not part of valid
// UTF-8 shows as U+FFFD, so the rest stays readable.
QString displayName(const QString& name);
