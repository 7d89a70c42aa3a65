#pragma once

#include <QWidget>

class PictureBox;

// The picture accent pad: the 112 characters of the accent pad as one picture; a click on a
// cell inserts its character with InsertPadChar. Used instead of the button pad on systems of
// the Windows 95 family.
class Taccent2form final : public QWidget {
    Q_OBJECT
public:
    explicit Taccent2form(QWidget* parent = nullptr);
    ~Taccent2form() override;

    PictureBox* Image1 = nullptr;

    // A click at a position on the picture (pixels from its top left corner).
    void Image1Click(QPoint position);
};
