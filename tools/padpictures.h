#pragma once

class QPainter;
class QPixmap;
class QRect;

// The pictures of the character tools, drawn at run time. Glyphs are black on white in a font
// that covers Latin, IPA, Greek and Cyrillic; a combining accent is drawn on a dotted circle.
namespace tools {

// Draws one character centred in rect, shrinking the type until the glyph fits.
void drawPadGlyph(QPainter& painter, const QRect& rect, char16_t code, int pixelSize);

// A 26 x 26 picture of one accent pad character for a button.
QPixmap accentButtonPicture(char16_t code);

// The picture accent pad: 391 x 223 pixels, 8 rows x 14 columns of raised 26 x 26 cells at a
// 28-pixel pitch, the first cell at the top left corner.
QPixmap accentPadPicture();

// The Russian screen keyboard: 616 x 168 pixels, four rows of keys drawn where they respond.
QPixmap russianKeyboardPicture();

} // namespace tools
