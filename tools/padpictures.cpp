#include "tools/padpictures.h"

#include "tools/accenttable.h"
#include "tools/padmap.h"

#include <QColor>
#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QRect>
#include <QString>
#include <algorithm>

namespace tools {

namespace {

constexpr int kPitch = 28;
constexpr int kCell = 26;

const QColor kBackground(0xC0, 0xC0, 0xC0);
const QColor kLight(0xFF, 0xFF, 0xFF);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kDark(0x40, 0x40, 0x40);

QFont padFont(int pixelSize, bool bold = false) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

bool isCombining(char16_t code) {
    return code >= 0x0300 && code <= 0x036F;
}

// The spacing accent that pictures a combining one; the combining unit itself otherwise.
char16_t spacingForm(char16_t combining) {
    switch (combining) {
    case 0x0300:
        return u'\u0060'; // grave
    case 0x0301:
        return u'\u00B4'; // acute
    case 0x0302:
        return u'\u02C6'; // circumflex
    case 0x0304:
        return u'\u00AF'; // macron
    case 0x030C:
        return u'\u02C7'; // caron
    default:
        return combining;
    }
}

// The pixels text inks when drawn with its baseline at y = 0 and its origin at x = 0. Measured
// by drawing it, since the font's own tight bounds are not tight for every glyph (spacing
// accents report the full ascent).
QRect inkRect(const QFont& font, const QString& text) {
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(text) + 2 * metrics.height();
    const int height = 3 * metrics.height();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    const QPoint origin(metrics.height(), 2 * metrics.height());
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(origin, text);
    }
    int left = width, top = height, right = -1, bottom = -1;
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < width; ++x) {
            if (qAlpha(line[x]) < 64)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    if (right < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom)).translated(-origin);
}

// Draws text so that its inked pixels are centred in rect, shrinking the type until they fit.
void drawCentred(QPainter& painter, const QRect& rect, const QString& text, int pixelSize,
                 bool bold = false) {
    for (int size = pixelSize; size >= 6; --size) {
        const QFont font = padFont(size, bold);
        const QRect ink = inkRect(font, text);
        if ((ink.width() > rect.width() - 2 || ink.height() > rect.height() - 2) && size > 6)
            continue;
        painter.setFont(font);
        const int x = rect.left() + (rect.width() - ink.width()) / 2 - ink.left();
        const int y = rect.top() + (rect.height() - ink.height()) / 2 - ink.top();
        painter.drawText(x, y, text);
        return;
    }
}

// Draws text centred across rect on a common baseline, so that raised modifier letters stay
// raised and descenders go below it; moved up or down only as far as needed to keep the ink
// inside rect, and shrunk when even that is not enough.
void drawOnBaseline(QPainter& painter, const QRect& rect, const QString& text, int pixelSize,
                    double baselineShare) {
    for (int size = pixelSize; size >= 6; --size) {
        const QFont font = padFont(size);
        const QRect ink = inkRect(font, text);
        if ((ink.width() > rect.width() || ink.height() > rect.height()) && size > 6)
            continue;
        int baseline = rect.top() + static_cast<int>(rect.height() * baselineShare);
        if (baseline + ink.top() < rect.top())
            baseline = rect.top() - ink.top();
        if (baseline + ink.bottom() > rect.bottom())
            baseline = rect.bottom() - ink.bottom();
        painter.setFont(font);
        painter.drawText(rect.left() + (rect.width() - ink.width()) / 2 - ink.left(), baseline,
                         text);
        return;
    }
}

// A raised bevel: light on the top and left edges, shadow on the bottom and right.
void drawRaised(QPainter& painter, const QRect& rect, const QColor& face) {
    painter.fillRect(rect, face);
    painter.setPen(kLight);
    painter.drawLine(rect.topLeft(), rect.topRight());
    painter.drawLine(rect.topLeft(), rect.bottomLeft());
    painter.setPen(kDark);
    painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    painter.drawLine(rect.topRight(), rect.bottomRight());
    painter.setPen(kShadow);
    painter.drawLine(rect.bottomLeft() + QPoint(1, -1), rect.bottomRight() + QPoint(-1, -1));
    painter.drawLine(rect.topRight() + QPoint(-1, 1), rect.bottomRight() + QPoint(-1, -1));
}

// A keyboard key: a light face inside a dark outline.
void drawKey(QPainter& painter, const QRect& rect) {
    painter.setPen(kDark);
    painter.setBrush(kLight);
    painter.drawRoundedRect(QRectF(rect).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.setBrush(Qt::NoBrush);
}

// The rectangle of a key in picture pixels from its extent in key coordinates.
QRect keyRect(int left, int top, int right, int bottom) {
    const PadPoint topLeft = keyboardPointToPicture(left, top);
    const PadPoint bottomRight = keyboardPointToPicture(right, bottom);
    return QRect(QPoint(topLeft.x, topLeft.y), QPoint(bottomRight.x, bottomRight.y));
}

} // namespace

void drawPadGlyph(QPainter& painter, const QRect& rect, char16_t code, int pixelSize) {
    if (!isCombining(code)) {
        painter.setPen(Qt::black);
        drawOnBaseline(painter, rect, QString(QChar(code)), pixelSize, 0.74);
        return;
    }
    // A combining accent has no width of its own and sits small on any base, so the picture
    // shows a dotted circle for the base and the accent's spacing form, full size, above it.
    const int diameter = std::max(6, rect.height() * 9 / 20);
    const QRectF circle(rect.left() + (rect.width() - diameter) / 2.0,
                        rect.bottom() - diameter - rect.height() / 10.0, diameter, diameter);
    QPen dots(QColor(0x40, 0x40, 0x40));
    dots.setStyle(Qt::DotLine);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(dots);
    painter.drawEllipse(circle);
    painter.restore();
    // The accent at full size, its ink just above the circle.
    const QFont font = padFont(pixelSize + 4, true);
    const QString accent(QChar(spacingForm(code)));
    const QRect ink = inkRect(font, accent);
    painter.save();
    painter.setClipRect(rect);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(rect.left() + (rect.width() - ink.width()) / 2 - ink.left(),
                     static_cast<int>(circle.top()) - 2 - ink.bottom(), accent);
    painter.restore();
}

QPixmap accentButtonPicture(char16_t code) {
    // The outer ring stays transparent so that the button's own frame shows around the white
    // face when the picture is shown at full size on a 25-pixel button.
    QPixmap pixmap(kCell, kCell);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QRect face = pixmap.rect().adjusted(3, 3, -3, -3);
    painter.fillRect(face, Qt::white);
    drawPadGlyph(painter, face, code, 16);
    return pixmap;
}

QPixmap accentPadPicture() {
    QPixmap pixmap(391, 223);
    pixmap.fill(kBackground);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::TextAntialiasing);
    for (int row = 1; row <= kAccentRows; ++row) {
        for (int column = 1; column <= kAccentColumns; ++column) {
            const QRect cell(kPitch * (column - 1), kPitch * (row - 1), kCell, kCell);
            drawRaised(painter, cell, Qt::white);
            drawPadGlyph(painter, cell.adjusted(2, 1, -2, -2), accentKeyAt(row, column).code, 17);
        }
    }
    return pixmap;
}

QPixmap russianKeyboardPicture() {
    QPixmap pixmap(616, 168);
    pixmap.fill(kBackground);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    // Top row: an unlabelled key, 1 to 9 and 0 (3 with №), two unlabelled keys, BS.
    constexpr int kTop = 0;
    drawKey(painter, keyRect(0, kTop, 36, kTopRowBottom - 1));
    constexpr int kDigitLeft[10] = {41, 81, 122, 163, 203, 244, 285, 326, 366, 407};
    for (int i = 0; i < 10; ++i) {
        const QRect key = keyRect(kDigitLeft[i], kTop, kDigitLeft[i] + 36, kTopRowBottom - 1);
        drawKey(painter, key);
        painter.setPen(Qt::black);
        const QString digit = QString::number((i + 1) % 10);
        if (i == 2) {
            drawCentred(painter, QRect(key.left(), key.top() + 1, key.width(), 18), digit, 13);
            drawCentred(painter, QRect(key.left(), key.top() + 18, key.width(), 18),
                        QString(QChar(kNumeroSign)), 14);
        } else {
            drawCentred(painter, QRect(key.left(), key.top() + 1, key.width(), 18), digit, 13);
        }
    }
    drawKey(painter, keyRect(448, kTop, 484, kTopRowBottom - 1));
    drawKey(painter, keyRect(489, kTop, 525, kTopRowBottom - 1));
    const QRect backspace = keyRect(kBackspaceLeft, kTop, kBackspaceRight, kTopRowBottom - 1);
    drawKey(painter, backspace);
    painter.setPen(Qt::black);
    drawCentred(painter, backspace, QStringLiteral("BS"), 13, true);

    // The keys at the ends of the letter rows are drawing only.
    const LetterRow& row2 = kLetterRows[0];
    const LetterRow& row3 = kLetterRows[1];
    const LetterRow& row4 = kLetterRows[2];
    drawKey(painter, keyRect(0, row2.top, 57, row2.bottom));
    drawKey(painter, keyRect(0, row3.top, 67, row3.bottom));
    drawKey(painter, keyRect(521, row3.top, 547, row3.bottom));
    drawKey(painter, keyRect(0, row4.top, 88, row4.bottom));
    drawKey(painter, keyRect(501, row4.top, 537, row4.bottom));
    drawKey(painter, keyRect(542, row4.top, 608, row4.bottom));

    const QRect enter = keyRect(kEnterLeft, kEnterTop, kEnterRight, kEnterBottom);
    drawKey(painter, enter);
    painter.setPen(Qt::black);
    drawCentred(painter, enter, QStringLiteral("Enter"), 12, true);

    for (const LetterKey& letter : kLetterKeys) {
        const LetterRow& row = kLetterRows[static_cast<std::size_t>(letter.row - 2)];
        const QRect key = keyRect(letter.left, row.top, letter.right, row.bottom);
        drawKey(painter, key);
        const QRect upper = keyRect(letter.left, row.top, letter.right, row.split);
        const QRect lower = keyRect(letter.left, row.split + 1, letter.right, row.bottom);
        // A faint line between the halves shows where the case changes.
        painter.setPen(QColor(0xD8, 0xD8, 0xD8));
        painter.drawLine(QPointF(key.left() + 4, upper.bottom() + 0.5),
                         QPointF(key.right() - 4, upper.bottom() + 0.5));
        painter.setPen(Qt::black);
        // The capital moves right to make room for the Latin letter at the upper left.
        drawOnBaseline(painter, upper.adjusted(letter.latin != 0 ? 6 : 0, 1, 0, 0),
                       QString(QChar(letter.capital)), 14, 0.85);
        drawOnBaseline(painter, lower, QString(QChar(letter.small)), 14, 0.72);
        if (letter.latin != 0) {
            painter.setPen(QColor(0x30, 0x50, 0xA0));
            painter.setFont(padFont(9));
            painter.drawText(QRect(key.left() + 3, key.top() + 2, 10, 11),
                             Qt::AlignLeft | Qt::AlignTop, QString(QChar(letter.latin)));
        }
    }
    return pixmap;
}

} // namespace tools
