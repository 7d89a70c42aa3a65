#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

// The find dialog: an entry for the search text with the built-in input method, the Find
// button, the mode name and a fixed notice. Created once at start-up, then shown and hidden.
class Tsearchform final : public QDialog {
    Q_OBJECT
public:
    explicit Tsearchform(QWidget* parent = nullptr);

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;

    void FormCreate();
    void Button1Click();
};
