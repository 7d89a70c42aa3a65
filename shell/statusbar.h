#pragma once

#include <QStatusBar>
#include <array>

class QLabel;

// The main window's status bar: four panels of widths 20, 100 and 65 pixels and the rest,
// holding the input mode, the caret position, the wrap state and the file with its encoding.
class TStatusBar final : public QStatusBar {
    Q_OBJECT
public:
    enum Panel { ModePanel = 0, CaretPanel = 1, WrapPanel = 2, FilePanel = 3 };

    explicit TStatusBar(QWidget* parent = nullptr);

    QString panelText(int index) const;
    void setPanelText(int index, const QString& text);
    QLabel* panel(int index) const { return m_panels[static_cast<size_t>(index)]; }

private:
    std::array<QLabel*, 4> m_panels{};
};
