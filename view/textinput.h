#pragma once

#include <QString>
#include <string>
#include <string_view>

class QKeyEvent;

namespace view {

// The units of typed, pasted or programmatically inserted text as the buffer holds them: every
// line feed, CR LF pair and lone CR becomes CR LF; every other unit (U+2029, U+FDD0, NUL, lone
// surrogates) is kept.
std::u16string withCrLf(QStringView text);

// The units with each CR LF pair as one line feed; every other unit is kept.
QString withLf(std::u16string_view units);

// Whether a key event carries text to type: printable characters (or format characters, private
// use and surrogates), not a command chord with Ctrl.
bool isTypedText(const QKeyEvent& event);

// Replaces, in the text a line is laid out from, the units that would otherwise show nothing or
// break the row (C0 controls but the tab, DEL, U+2028, U+2029) by visible pictures of the same
// length, so that layout positions stay those of the buffer.
void makeVisible(QString& text);

} // namespace view
