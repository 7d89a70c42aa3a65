#pragma once

#include "text/textbuffer.h"

#include <cstddef>
#include <string>

namespace bench {

// Lines of 3 to 15 of the eight words in a fixed order, about `megabytes` MB as UTF-8 (no
// megabytes: one screen of lines), straight into a builder.
inline text::TextBuilder proseText(std::size_t megabytes, const std::u16string (&words)[8]) {
    text::TextBuilder builder;
    const text::Pos target =
        megabytes > 0 ? static_cast<text::Pos>(megabytes) * 1000 * 1000 / 2 : 3000;
    std::u16string line;
    for (std::size_t i = 0; builder.length() < target; ++i) {
        line.clear();
        const std::size_t count = 3 + (i * 7) % 13;
        for (std::size_t w = 0; w < count; ++w) {
            line += words[(i + w * 3) % 8];
            line += u' ';
        }
        line += u"\r\n";
        builder.append(line);
    }
    return builder;
}

} // namespace bench
