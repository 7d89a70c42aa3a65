#include "shell/statusbar.h"

#include <QLabel>

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    static constexpr int kWidths[] = {20, 100, 65, 0};
    setFixedHeight(19);
    // Small type, so that the longest panel texts ("noWrapLine", "Line:99999  Col:999") fit
    // the fixed panel widths.
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
    setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        auto* label = new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        if (kWidths[i] > 0)
            label->setFixedWidth(kWidths[i]);
        addPermanentWidget(label, kWidths[i] > 0 ? 0 : 1);
        m_panels[static_cast<size_t>(i)] = label;
    }
}

QString TStatusBar::panelText(int index) const {
    return panel(index)->text();
}

void TStatusBar::setPanelText(int index, const QString& text) {
    panel(index)->setText(text);
}
