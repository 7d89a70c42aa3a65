#include "shell/menubarmarks.h"

#include <QAction>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionMenuItem>

namespace {

// The checked top-level command (not a menu) whose caption the option carries.
const QAction* checkedCommand(const QMenuBar* bar, const QStyleOption* option) {
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    if (!bar || !item)
        return nullptr;
    for (const QAction* action : bar->actions())
        if (!action->menu() && action->isCheckable() && action->isChecked() &&
            action->text() == item->text)
            return action;
    return nullptr;
}

} // namespace

MenuBarMarks::MenuBarMarks(QMenuBar* bar) : m_bar(bar) {
    setParent(bar);
    bar->setStyle(this);
}

int MenuBarMarks::markWidth() const {
    return m_bar->fontMetrics().height();
}

QSize MenuBarMarks::sizeFromContents(ContentsType type, const QStyleOption* option,
                                     const QSize& size, const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    if (type == CT_MenuBarItem && widget == m_bar && checkedCommand(m_bar, option))
        result.rwidth() += markWidth();
    return result;
}

void MenuBarMarks::drawControl(ControlElement element, const QStyleOption* option,
                               QPainter* painter, const QWidget* widget) const {
    if (element != CE_MenuBarItem || widget != m_bar || !checkedCommand(m_bar, option)) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
    // The item's background as the style draws it, then the caption right of the mark.
    QStyleOptionMenuItem background = *item;
    background.text.clear();
    QProxyStyle::drawControl(element, &background, painter, widget);

    const int mark = markWidth();
    const bool pressed = item->state.testFlag(State_Selected) && item->state.testFlag(State_Sunken);
    const QPalette::ColorRole role = pressed ? QPalette::HighlightedText : QPalette::ButtonText;
    const QRect textRect = item->rect.adjusted(mark, 0, 0, 0);
    int alignment = Qt::AlignCenter | Qt::TextShowMnemonic | Qt::TextDontClip | Qt::TextSingleLine;
    if (!proxy()->styleHint(SH_UnderlineShortcut, item, widget))
        alignment |= Qt::TextHideMnemonic;
    proxy()->drawItemText(painter, textRect, alignment, item->palette,
                          item->state.testFlag(State_Enabled), item->text, role);

    // A tick in the caption's colour, in a square of the font's height left of the caption.
    const int textWidth = item->fontMetrics.horizontalAdvance(item->text);
    const int textLeft = textRect.center().x() - textWidth / 2;
    const QRectF box(textLeft - mark, item->rect.center().y() - mark / 2.0, mark, mark);
    QPainterPath tick;
    tick.moveTo(box.left() + box.width() * 0.2, box.top() + box.height() * 0.55);
    tick.lineTo(box.left() + box.width() * 0.42, box.top() + box.height() * 0.78);
    tick.lineTo(box.left() + box.width() * 0.82, box.top() + box.height() * 0.25);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(item->palette.color(role), qMax(1.5, mark / 8.0), Qt::SolidLine,
                         Qt::RoundCap, Qt::RoundJoin));
    painter->drawPath(tick);
    painter->restore();
}
