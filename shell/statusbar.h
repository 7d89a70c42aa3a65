#pragma once

#include <QStatusBar>
#include <QString>
#include <array>

class QLabel;
class QTimer;

// The main window's status bar: four panels of widths 20, 100 and 65 pixels and the rest,
// holding the input mode, the caret position, the wrap state and the file with its encoding.
// A fixed panel grows beyond its width when the longest text it can show ("Line:" and "Col:"
// with seven digits each, "noWrapLine") would not fit in the bar's font. The file panel draws
// a text too long for it with its middle left out and keeps the whole text, which it also
// shows as its tooltip.
class TStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    enum Panel { ModePanel = 0, CaretPanel = 1, WrapPanel = 2, FilePanel = 3 };

    explicit TStatusBar(QWidget* parent = nullptr);

    // How long showBriefly's text stays, in milliseconds.
    static constexpr int kBriefMs = 3000;

    QString panelText(int index) const;
    // Sets a panel's text; a brief text on that panel is then over and its old text forgotten.
    void setPanelText(int index, const QString& text);
    // Shows text on the file panel for kBriefMs, then the panel's text from before comes back.
    // Another brief text in the meantime keeps that same text to come back to.
    void showBriefly(const QString& text);
    QLabel* panel(int index) const { return m_panels[static_cast<size_t>(index)]; }

    // The file panel's text as it is drawn at its present width.
    QString shownFileText() const;

    // The longest text each fixed panel is made to hold.
    static QString longestText(int index);

protected:
    void changeEvent(QEvent* event) override;

private:
    void fitPanelWidths();

    void setLabelText(int index, const QString& text);

    std::array<QLabel*, 4> m_panels{};
    QTimer* m_briefTimer = nullptr;
    QString m_textAfterBrief;
};
