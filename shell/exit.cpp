#include "shell/exit.h"

#include "app/appstate.h"

#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {

// A push button that shows its caption literally: "Save & Exit" keeps its ampersand on screen
// instead of taking it as the mark of a keyboard mnemonic.
class LiteralButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent*) override {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        option.text.replace(u'&', QStringLiteral("&&"));
        painter.drawControl(QStyle::CE_PushButton, option);
    }
};

} // namespace

Texitform::Texitform(QWidget* parent) : QDialog(parent) {
    app::state().exitform = this;
    setObjectName(QStringLiteral("exitform"));
    setWindowTitle(QStringLiteral("Confirm"));
    setFixedSize(402, 94);
    const struct {
        QPushButton** button;
        const char* name;
        const char* caption;
        int left;
        int width;
        void (Texitform::*handler)();
    } buttons[] = {
        {&Button1, "Button1", "Save & Exit", 12, 101, &Texitform::Button1Click},
        {&Button2, "Button2", "No Save & Exit", 128, 149, &Texitform::Button2Click},
        {&Button3, "Button3", "Cancel", 292, 85, &Texitform::Button3Click},
    };
    for (const auto& b : buttons) {
        auto* button = new LiteralButton(QString::fromLatin1(b.caption), this);
        button->setObjectName(QLatin1String(b.name));
        button->setGeometry(b.left, 32, b.width, 25);
        button->setAutoDefault(false);
        button->setShortcut(QKeySequence()); // the ampersand marks no mnemonic
        connect(button, &QPushButton::clicked, this, b.handler);
        *b.button = button;
    }
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
}

void Texitform::showEvent(QShowEvent* event) {
    // Centred on the main window.
    if (parentWidget())
        move(parentWidget()->geometry().center() - rect().center());
    QDialog::showEvent(event);
}

void Texitform::Button1Click() {
    app::state().ExitChoice = 1;
    close();
}

void Texitform::Button2Click() {
    app::state().ExitChoice = 2;
    close();
}

void Texitform::Button3Click() {
    app::state().ExitChoice = 0;
    close();
}
