#pragma once

#include <QLabel>

class QMouseEvent;

// A picture control with a click event: reports a left-button click (press and release inside
// the control) with the position relative to the picture's top left corner.
class PictureBox final : public QLabel {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

signals:
    void clicked(QPoint position);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};
