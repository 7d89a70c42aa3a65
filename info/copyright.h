#pragma once

#include <QDialog>

class QLabel;

// The copyright window: the program's name, its copyright, a contact and the web address.
class Tcopyrightform final : public QDialog {
    Q_OBJECT
public:
    explicit Tcopyrightform(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
};
