// Reading and writing the settings files of the main window.
#include "app/appstate.h"
#include "ime/inputcontext.h"
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
    settings::EditorSettings values{app::state().WindowTop,
                                    app::state().WindowLeft,
                                    app::state().WindowWidth,
                                    app::state().WindowHeight,
                                    app::state().ImeMode,
                                    wordWrap(),
                                    JapaneseOSJapaneseIME1->isChecked()};
    const int lines = settings::parseSettings(*text, values);
    if (lines > 0)
        app::state().WindowTop = values.top;
    if (lines > 1)
        app::state().WindowLeft = values.left;
    if (lines > 2)
        app::state().WindowWidth = values.width;
    if (lines > 3)
        app::state().WindowHeight = values.height;
    if (lines > 4) {
        app::state().ImeMode = values.imeMode;
        StatusBar1->setPanelText(TStatusBar::ModePanel, ime::modePanelText(app::state().ImeMode));
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
    std::memcpy(app::state().FontRecord.data(), bytes->constData(),
                std::min<std::size_t>(app::state().FontRecord.size(),
                                      static_cast<std::size_t>(bytes->size())));
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
    settings::encodeFontRecord(fields, app::state().FontRecord);
    settings::writeFile(settings::kFontFileName,
                        QByteArray(reinterpret_cast<const char*>(app::state().FontRecord.data()),
                                   static_cast<qsizetype>(app::state().FontRecord.size())));
}
