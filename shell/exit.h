#pragma once

#include <QDialog>

class QPushButton;

// The exit window: "Save & Exit", "No Save & Exit" and "Cancel". Each button stores its
// choice in ExitChoice and closes the window; closing it by its close box leaves the choice
// at 0, which is Cancel.
class Texitform final : public QDialog {
    Q_OBJECT
public:
    explicit Texitform(QWidget* parent = nullptr);

    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QPushButton* Button3 = nullptr;

    void Button1Click();
    void Button2Click();
    void Button3Click();

protected:
    void showEvent(QShowEvent* event) override;
};
