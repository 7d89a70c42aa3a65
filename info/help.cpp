#include "info/help.h"

#include "shell/appstate.h"

#include <QPlainTextEdit>

Thelpform::Thelpform(QWidget* parent) : QWidget(parent, Qt::Window) {
    helpform = this;
    setObjectName(QStringLiteral("helpform"));
    setWindowTitle(QStringLiteral("Russian Romanized/Direct Input keymap"));
    resize(530, 417);
    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(2, 4, 525, 409);
    Memo1->setReadOnly(true);
}
