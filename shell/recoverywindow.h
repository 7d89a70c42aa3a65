#pragma once

#include "recovery/recover.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;

// The window that offers, at start, the texts editors that were killed left behind: one row
// each, with the file (or "new text"), the time of the last edit and the size of the change.
// Recover (the default button) accepts the window with the row chosen; Discard deletes the
// row's files at once and keeps the window open for the others; Later keeps them all for the
// next start.
class TRecoveryForm final : public QDialog {
    Q_OBJECT
public:
    TRecoveryForm(std::vector<recovery::Leftover>& leftovers, QWidget* parent = nullptr);

    // The leftover to recover once the window was accepted.
    std::size_t chosen() const { return m_chosen; }

    QTreeWidget* List = nullptr;
    QPushButton* RecoverButton = nullptr;
    QPushButton* DiscardButton = nullptr;
    QPushButton* LaterButton = nullptr;

    // The texts of one row's columns, as the window shows them.
    static QStringList rowTexts(const recovery::Leftover& leftover);

private:
    void recoverClick();
    void discardClick();
    void selectionChanged();
    // The index into the leftovers of the selected row; -1 when none.
    int selectedLeftover() const;

    std::vector<recovery::Leftover>& m_leftovers;
    QLabel* m_note = nullptr;
    std::size_t m_chosen = 0;
};
