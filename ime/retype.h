#pragma once

#include <QString>
#include <QStringView>

namespace ime {

// Retyping a text already written: what the input engines would have put into the text had
// its Latin keys been typed in their mode. Every result is computed by the engines themselves
// (on an in-memory text target) or read from their tables, so a rule exists only once.
//
// The keys are the printable ASCII characters other than the space. Each run of them is typed
// afresh, as if a space had decided the letter before it: the space, the line break and every
// other character between the runs (Cyrillic included) stand unchanged in the result and never
// join a letter of a run. Positions do not carry over: a digraph makes two units one.

// The romanized composer over each run: "privet mir" -> "привет мир", s s -> ш, z h -> ж. Keys
// the composer does not map (j, w, Q, digits, punctuation) stay as they are.
QString retypeRomanized(QStringView text);

// The direct layout of the placement's keyboard (ime::Placement) over each run:
// "ghbdtn" -> "привет"; the punctuation keys the layout maps become their letters too
// ("," -> б). Keys it does not map stay as they are.
QString retypeDirect(QStringView text, int placement);

// The way back from retypeDirect: every letter that a key of the placement's direct layout
// gives becomes that key ("руддщ" -> "hello"); every other unit stays as it is.
QString retypeAsLatin(QStringView text, int placement);

} // namespace ime
