#include "info/copyright.h"

#include "app/appstate.h"
#include "info/siteinfo.h"

#include <QLabel>

namespace {

// Puts the text into the label and shrinks its font (from pixelSize down to 8 pixels) until
// the text fits the label's designed width, and its height too when fitHeight is set, so that
// no installed font leaves a line cut off.
void setFittingText(QLabel* label, const QString& text, int pixelSize, bool fitHeight) {
    QFont font = label->font();
    for (int size = pixelSize; size >= 8; --size) {
        font.setPixelSize(size);
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(text) <= label->width() &&
            (!fitHeight || metrics.height() <= label->height()))
            break;
    }
    label->setFont(font);
    label->setText(text);
}

} // namespace

Tcopyrightform::Tcopyrightform(QWidget* parent) : QDialog(parent) {
    app::state().copyrightform = this;
    setObjectName(QStringLiteral("copyrightform"));
    setWindowTitle(QStringLiteral("copyright"));
    resize(393, 178);
    QPalette palette = this->palette();
    palette.setColor(QPalette::WindowText, Qt::black);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(20, 44, 325, 16);
    Label1->setPalette(palette);
    setFittingText(Label1, info::programNotice(), 16, false);

    // The two address lines are 12 pixels high; their font is sized to fit them.
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(32, 106, 128, 12);
    setFittingText(Label2, info::contactAddress(), 12, true);

    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label3->setGeometry(32, 134, 177, 12);
    setFittingText(Label3, info::officialSiteAddress(), 12, true);
    // The addresses can be selected and copied.
    Label2->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Label3->setTextInteractionFlags(Qt::TextSelectableByMouse);
}
