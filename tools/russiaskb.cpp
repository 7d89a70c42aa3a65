#include "tools/russiaskb.h"

#include "app/appstate.h"
#include "app/screenfit.h"
#include "tools/insertchar.h"
#include "tools/padmap.h"
#include "tools/padpictures.h"
#include "tools/picturebox.h"

Trussiaskbform::Trussiaskbform(QWidget* parent) : QWidget(parent, Qt::Window) {
    app::state().russiaskbform = this;
    setObjectName(QStringLiteral("russiaskbform"));
    screenfit::behaveAsToolWindow(*this);
    setWindowTitle(QStringLiteral("Russia Screen keyboard(key click)"));
    setFixedSize(615, 167);
    move(44, 59);
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(2, 2, 613, 165);
    Image1->setPixmap(tools::russianKeyboardPicture());
    connect(Image1, &PictureBox::clicked, this, &Trussiaskbform::Image1Click);
}

Trussiaskbform::~Trussiaskbform() {
    if (app::state().russiaskbform == this)
        app::state().russiaskbform = nullptr;
}

void Trussiaskbform::Image1Click(QPoint position) {
    const tools::PadPoint at = tools::keyboardPointFromPicture(position.x(), position.y());
    const tools::KeyboardHit hit = tools::keyboardKeyAt(at.x, at.y);
    switch (hit.action) {
    case tools::KeyAction::Insert:
        InsertPadChar(hit.code);
        break;
    case tools::KeyAction::Enter:
        ScreenKeyboardEnter();
        break;
    case tools::KeyAction::Backspace:
        ScreenKeyboardBackspace();
        break;
    case tools::KeyAction::None:
        break;
    }
}
