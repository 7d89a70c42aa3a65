#include "shell/paste.h"

#include "ime/texttarget.h"

void PasteUnicodeText(ime::TextTarget& /*target*/) {}
