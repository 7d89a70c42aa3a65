#pragma once

#include <QWidget>

class PictureBox;

// The Russian screen keyboard: a picture of a Russian keyboard. A click on the upper half of a
// letter key inserts the capital, on the lower half the small letter; the № key, backspace and
// Enter act as well. Created hidden at start-up; closing it only hides it.
class Trussiaskbform final : public QWidget {
    Q_OBJECT
public:
    explicit Trussiaskbform(QWidget* parent = nullptr);
    ~Trussiaskbform() override;

    PictureBox* Image1 = nullptr;

    // A click at a position on the picture (pixels from its top left corner).
    void Image1Click(QPoint position);
};
