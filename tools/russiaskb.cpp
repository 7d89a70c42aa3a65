#include "tools/russiaskb.h"

#include "shell/appstate.h"

Trussiaskbform::Trussiaskbform(QWidget* parent) : QWidget(parent, Qt::Window) {
    russiaskbform = this;
    setObjectName(QStringLiteral("russiaskbform"));
    setWindowTitle(QStringLiteral("Russia Screen keyboard(key click)"));
    resize(617, 169);
}
