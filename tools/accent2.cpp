#include "tools/accent2.h"

#include "app/appstate.h"
#include "app/screenfit.h"
#include "tools/accenttable.h"
#include "tools/insertchar.h"
#include "tools/padmap.h"
#include "tools/padpictures.h"
#include "tools/picturebox.h"

Taccent2form::Taccent2form(QWidget* parent) : QWidget(parent, Qt::Window) {
    app::state().accent2form = this;
    setObjectName(QStringLiteral("accent2form"));
    screenfit::behaveAsToolWindow(*this);
    setWindowTitle(QStringLiteral("Accent PAD"));
    setFixedSize(393, 229);
    move(111, 92);
    Image1 = new PictureBox(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(4, 4, 389, 225);
    Image1->setPixmap(tools::accentPadPicture());
    connect(Image1, &PictureBox::clicked, this, &Taccent2form::Image1Click);
}

Taccent2form::~Taccent2form() {
    if (app::state().accent2form == this)
        app::state().accent2form = nullptr;
}

void Taccent2form::Image1Click(QPoint position) {
    const tools::PadPoint at = tools::accentPointFromPicture(position.x(), position.y());
    const int index = tools::accentKeyIndexAt(at.x, at.y);
    if (index >= 0)
        InsertPadChar(tools::kAccentKeys[static_cast<std::size_t>(index)].code);
}
