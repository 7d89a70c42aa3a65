// Reading and writing the settings files of the main window.
#include "shell/appstate.h"
#include "shell/settings.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QAction>
#include <QFontInfo>
#include <QPalette>
#include <algorithm>
#include <cstring>

namespace {

// Heights outside this range are damage, not a choice made in the font dialog; the editor
// then keeps its present height.
constexpr int kMaxFontHeight = 2000;

} // namespace

void TForm1::readSettingsFile() {
    const std::optional<QByteArray> text = settings::readFile(settings::kSettingsFileName, 8192);
    if (!text)
        return;
    settings::EditorSettings values{WindowTop,
                                    WindowLeft,
                                    WindowWidth,
                                    WindowHeight,
                                    ImeMode,
                                    wordWrap(),
                                    JapaneseOSJapaneseIME1->isChecked()};
    const int lines = settings::parseSettings(*text, values);
    if (lines > 0)
        WindowTop = values.top;
    if (lines > 1)
        WindowLeft = values.left;
    if (lines > 2)
        WindowWidth = values.width;
    if (lines > 3)
        WindowHeight = values.height;
    if (lines > 4) {
        ImeMode = values.imeMode;
        StatusBar1->setPanelText(TStatusBar::ModePanel, modePanelText(ImeMode));
    }
    if (lines > 5)
        setWordWrapShown(values.wordWrap);
    if (lines > 6)
        JapaneseOSJapaneseIME1->setChecked(values.japanesePlacement);
}

void TForm1::readFontFile() {
    const std::optional<QByteArray> bytes =
        settings::readFile(settings::kFontFileName, settings::kFontRecordSize);
    if (!bytes)
        return;
    std::memcpy(FontRecord.data(), bytes->constData(),
                std::min<std::size_t>(FontRecord.size(), static_cast<std::size_t>(bytes->size())));
    settings::FontFields fields;
    if (!settings::decodeFontRecord(*bytes, fields))
        return; // a short record leaves the designed font

    QPalette palette = Memo1->palette();
    // QColor takes the red, green and blue of the value and always makes it opaque.
    palette.setColor(QPalette::Text, QColor(static_cast<QRgb>(fields.colour)));
    Memo1->setPalette(palette);

    QFont font = Memo1->font();
    if (fields.height > 0 && fields.height <= kMaxFontHeight)
        font.setPixelSize(fields.height);
    const QString family = QString::fromLocal8Bit(fields.name);
    if (!family.trimmed().isEmpty())
        font.setFamily(family);
    if (fields.pitch == 1 || fields.pitch == 2)
        font.setFixedPitch(fields.pitch == 2);
    m_fontCharSet = fields.charSet;
    Memo1->setFont(font);
}

void TForm1::writeFontFile() {
    const QFont font = Memo1->font();
    settings::FontFields fields;
    fields.colour = static_cast<std::int32_t>(Memo1->palette().color(QPalette::Text).rgb());
    fields.height = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    fields.name = font.family().toLocal8Bit();
    fields.pitch = QFontInfo(font).fixedPitch() ? 2 : 1;
    fields.charSet = m_fontCharSet;
    settings::encodeFontRecord(fields, FontRecord);
    settings::writeFile(settings::kFontFileName,
                        QByteArray(reinterpret_cast<const char*>(FontRecord.data()),
                                   static_cast<qsizetype>(FontRecord.size())));
}
