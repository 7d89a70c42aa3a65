#pragma once

#include "encoding/textwriter.h"
#include "text/textbuffer.h"

namespace text {

// The buffer's whole text as the writers of the encoding library take it: its spans in order,
// never copied. The buffer must outlive the result and stay unchanged while it is used.
inline enc::TextSpans SpansOf(const TextBuffer& buffer) {
    return
        [&buffer](const enc::SpanVisitor& visit) { buffer.forEachSpan(0, buffer.length(), visit); };
}

} // namespace text
