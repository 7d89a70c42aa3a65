#include "info/copyright.h"

#include "shell/appstate.h"

#include <QLabel>

Tcopyrightform::Tcopyrightform(QWidget* parent) : QDialog(parent) {
    copyrightform = this;
    setObjectName(QStringLiteral("copyrightform"));
    setWindowTitle(QStringLiteral("copyright"));
    resize(393, 178);
    Label1 = new QLabel(this);
    Label1->setGeometry(20, 44, 325, 16);
    Label2 = new QLabel(this);
    Label2->setGeometry(32, 106, 128, 12);
    Label3 = new QLabel(this);
    Label3->setGeometry(32, 134, 177, 12);
}
