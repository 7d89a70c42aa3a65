#pragma once

namespace ime {
class TextTarget;
}

// The clipboard paste shared by the editor and the find entry: takes the clipboard's Unicode
// text, or else its 8-bit text widened with the local code page; drops every CR, stops at a
// NUL, replaces the target's selection with the result and leaves the caret behind it with
// nothing selected. A clipboard without text changes nothing.
void PasteUnicodeText(ime::TextTarget& target);
