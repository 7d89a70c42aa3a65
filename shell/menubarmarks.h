#pragma once

#include <QProxyStyle>

class QMenuBar;

// Draws a check mark before the caption of a checked top-level command of a menu bar, which
// the widget styles leave unmarked (a menu bar item shows only its text). Only the checked item
// grows by the width of the mark; every other item looks as the application's style draws it.
class MenuBarMarks final : public QProxyStyle {
    Q_OBJECT
public:
    // Installs itself on the bar, which then owns it.
    explicit MenuBarMarks(QMenuBar* bar);

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override;

    // The width the mark takes before the caption, in the bar's pixels.
    int markWidth() const;

private:
    QMenuBar* m_bar;
};
