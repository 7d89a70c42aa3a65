#include "tools/accent.h"

#include "app/appstate.h"
#include "app/screenfit.h"
#include "tools/accenttable.h"
#include "tools/insertchar.h"
#include "tools/padpictures.h"

#include <QIcon>
#include <QPushButton>

namespace {

constexpr int kButtonSize = 25;
constexpr int kPitch = 28;
constexpr int kMargin = 4;
// The grid with the same margin on all four sides, so the last column and row are whole.
constexpr int kClientWidth = 2 * kMargin + kPitch * (tools::kAccentColumns - 1) + kButtonSize;
constexpr int kClientHeight = 2 * kMargin + kPitch * (tools::kAccentRows - 1) + kButtonSize;

} // namespace

Taccentform::Taccentform(QWidget* parent) : QWidget(parent, Qt::Window) {
    app::state().accentform = this;
    setObjectName(QStringLiteral("accentform"));
    screenfit::behaveAsToolWindow(*this);
    setWindowTitle(QStringLiteral("Accent PAD"));
    setFixedSize(kClientWidth, kClientHeight);
    move(141, 85);

    // Buttons take no focus from a mouse click, only from Tab, so the pad can be clicked
    // again and again without the focus ring jumping around.
    QPushButton* previous = nullptr;
    for (int row = 1; row <= tools::kAccentRows; ++row) {
        for (int column = 1; column <= tools::kAccentColumns; ++column) {
            const tools::AccentKey& key = tools::accentKeyAt(row, column);
            auto* button = new QPushButton(this);
            button->setObjectName(QString::fromLatin1(key.name));
            button->setGeometry(kMargin + kPitch * (column - 1), kMargin + kPitch * (row - 1),
                                kButtonSize, kButtonSize);
            button->setIcon(QIcon(tools::accentButtonPicture(key.code)));
            // The picture is drawn at its own size; its white border may be clipped by the
            // button's frame, the glyph never is.
            button->setIconSize(QSize(26, 26));
            button->setFocusPolicy(Qt::TabFocus);
            button->setToolTip(
                QStringLiteral("U+%1").arg(key.code, 4, 16, QLatin1Char('0')).toUpper());
            const char16_t code = key.code;
            connect(button, &QPushButton::clicked, this, [code] { InsertPadChar(code); });
            if (previous != nullptr)
                setTabOrder(previous, button);
            previous = button;
            m_buttons[static_cast<std::size_t>(tools::kAccentColumns * (row - 1) + column - 1)] =
                button;
        }
    }
    ButtonA0 = m_buttons[5];
    ButtonA0->setFocus();
}

Taccentform::~Taccentform() {
    if (app::state().accentform == this)
        app::state().accentform = nullptr;
}
