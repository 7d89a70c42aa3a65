#pragma once

#include <QPlainTextEdit>
#include <functional>

// The main editor control. Key presses go to a handler first, which may take them (the input
// method inserted a character itself) or let the control handle them as usual; key releases
// and clicks are reported after the control has handled them.
// Plain left clicks and drags place the caret and extend the selection here: the control's own
// press handling first looks for list markers in every line of the document, which would make
// each click cost time in proportion to the text.
class MemoEdit final : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit MemoEdit(QWidget* parent = nullptr);

    // Returns true when the key was handled and the control must not see it.
    std::function<bool(QKeyEvent*)> onKeyPress;
    std::function<void(QKeyEvent*)> onKeyRelease;
    std::function<void()> onClick;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_dragging = false;
};
