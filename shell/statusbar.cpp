#include "shell/statusbar.h"

#include <QEvent>
#include <QLabel>
#include <QPainter>
#include <QTimer>

namespace {

constexpr int kWidths[] = {20, 100, 65, 0};

// A panel label that draws a text too wide for it elided in the middle, and asks for no more
// room than its frame: a long path must not widen the main window.
class ElidingLabel final : public QLabel {
public:
    explicit ElidingLabel(QWidget* parent) : QLabel(parent) {}

    QString shownText() const {
        return fontMetrics().elidedText(text(), Qt::ElideMiddle, textRect().width());
    }
    QSize minimumSizeHint() const override {
        return QSize(2 * frameWidth(), QLabel::minimumSizeHint().height());
    }
    QSize sizeHint() const override { return minimumSizeHint(); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        drawFrame(&painter);
        painter.setPen(palette().color(foregroundRole()));
        painter.drawText(textRect(), Qt::AlignLeft | Qt::AlignVCenter, shownText());
    }

private:
    // The contents less the indent a framed label keeps before its text.
    QRect textRect() const {
        const int indentBy = frameWidth() > 0 ? fontMetrics().horizontalAdvance(u'x') / 2 : 0;
        return contentsRect().adjusted(indentBy, 0, 0, 0);
    }
};

} // namespace

TStatusBar::TStatusBar(QWidget* parent) : QStatusBar(parent) {
    setFixedHeight(19);
    // Small type, so that the panel texts fit panels close to their designed widths.
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
    setSizeGripEnabled(true);
    for (int i = 0; i < 4; ++i) {
        QLabel* label = i == FilePanel ? new ElidingLabel(this) : new QLabel(this);
        label->setFrameShape(QFrame::Panel);
        label->setFrameShadow(QFrame::Sunken);
        label->setTextFormat(Qt::PlainText);
        label->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        addPermanentWidget(label, kWidths[i] > 0 ? 0 : 1);
        m_panels[static_cast<size_t>(i)] = label;
    }
    fitPanelWidths();
    m_briefTimer = new QTimer(this);
    m_briefTimer->setSingleShot(true);
    m_briefTimer->setInterval(kBriefMs);
    connect(m_briefTimer, &QTimer::timeout, this,
            [this] { setLabelText(FilePanel, m_textAfterBrief); });
}

QString TStatusBar::longestText(int index) {
    switch (index) {
    case ModePanel:
        return QStringLiteral("H");
    case CaretPanel:
        return QStringLiteral("Line:9999999  Col:9999999");
    case WrapPanel:
        return QStringLiteral("noWrapLine");
    default:
        return {};
    }
}

void TStatusBar::fitPanelWidths() {
    for (int i = 0; i < 4; ++i) {
        if (kWidths[i] == 0)
            continue;
        QLabel* label = panel(i);
        // What the label asks for to show its longest text whole: frame, indent and text.
        const QString shown = label->text();
        label->setText(longestText(i));
        const int needed = label->sizeHint().width();
        label->setText(shown);
        label->setFixedWidth(qMax(kWidths[i], needed));
    }
}

void TStatusBar::changeEvent(QEvent* event) {
    QStatusBar::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_panels[0] != nullptr)
        fitPanelWidths();
}

QString TStatusBar::panelText(int index) const {
    return panel(index)->text();
}

void TStatusBar::setPanelText(int index, const QString& text) {
    if (index == FilePanel)
        m_briefTimer->stop();
    setLabelText(index, text);
}

void TStatusBar::showBriefly(const QString& text) {
    if (!m_briefTimer->isActive())
        m_textAfterBrief = panelText(FilePanel);
    setLabelText(FilePanel, text);
    m_briefTimer->start();
}

void TStatusBar::setLabelText(int index, const QString& text) {
    panel(index)->setText(text);
    if (index == FilePanel)
        panel(index)->setToolTip(text);
}

QString TStatusBar::shownFileText() const {
    return static_cast<const ElidingLabel*>(panel(FilePanel))->shownText();
}
