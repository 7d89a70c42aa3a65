#include "search/find.h"

#include "shell/appstate.h"
#include "shell/memoedit.h"
#include "shell/unit1.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

Tsearchform::Tsearchform(QWidget* parent) : QDialog(parent) {
    searchform = this;
    setObjectName(QStringLiteral("searchform"));
    setWindowTitle(QStringLiteral("find (search)"));
    resize(350, 151);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(8, 4, 200, 16);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 24, 334, 28);
    Button1 = new QPushButton(QStringLiteral("Find"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(8, 60, 75, 25);
    Label1 = new QLabel(QStringLiteral("Sorry. auto change to noWrapLine mode."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 92, 334, 16);
    connect(Button1, &QPushButton::clicked, this, &Tsearchform::Button1Click);
    FormCreate();
}

void Tsearchform::FormCreate() {
    Label2->setText(TForm1::modeName(ImeMode));
    if (Form1)
        Edit1->setFont(Form1->Memo1->font());
}

void Tsearchform::Button1Click() {
    FindRequested = 1;
    hide();
}
