#include "app/screenfit.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QWidget>

namespace screenfit {

namespace {

// Sees the window's own events and the key events its children pass up to it.
class ToolWindowFilter : public QObject {
public:
    explicit ToolWindowFilter(QWidget& window) : QObject(&window), m_window(window) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &m_window)
            return false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
                m_window.close();
                return true;
            }
        } else if (event->type() == QEvent::Show) {
            fitIntoScreen(m_window);
        }
        return false;
    }

private:
    QWidget& m_window;
};

} // namespace

void fitIntoScreen(QWidget& window) {
    QScreen* screen = QGuiApplication::screenAt(window.frameGeometry().center());
    if (!screen)
        screen = window.screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    // The frame's share of the outer size; zero before a window manager has framed the window.
    const int frameWidth = frame.width() - window.width();
    const int frameHeight = frame.height() - window.height();
    const int outerWidth = qMin(frame.width(), area.width());
    const int outerHeight = qMin(frame.height(), area.height());
    if (outerWidth != frame.width() || outerHeight != frame.height())
        window.resize(outerWidth - frameWidth, outerHeight - frameHeight);
    // A window that cannot shrink further keeps its left and top edges on the screen.
    const int left = qMax(area.left(), qMin(frame.left(), area.left() + area.width() - outerWidth));
    const int top = qMax(area.top(), qMin(frame.top(), area.top() + area.height() - outerHeight));
    if (left != frame.left() || top != frame.top())
        window.move(left, top);
}

void behaveAsToolWindow(QWidget& window) {
    window.installEventFilter(new ToolWindowFilter(window));
}

} // namespace screenfit
