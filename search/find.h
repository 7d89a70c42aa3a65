#pragma once

#include <QDialog>
#include <memory>

class LineTarget;
class QAction;
class QCheckBox;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;
class QTimer;

// The find dialog: an entry for the search text with the built-in input method, the Find
// button, the mode name and a fixed notice. Created once at start-up, then shown and hidden.
class Tsearchform final : public QDialog {
    Q_OBJECT
public:
    explicit Tsearchform(QWidget* parent = nullptr);
    ~Tsearchform() override;

    QLineEdit* Edit1 = nullptr;
    QPushButton* Button1 = nullptr;
    // "ignore stress marks": unchecked, the search compares every unit as typed.
    QCheckBox* CheckBox1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QMenu* PopupMenu2 = nullptr;
    QTimer* TimerEdit = nullptr;

    QAction* KoreaRomaIME1 = nullptr;
    QAction* KoreaDirectIME1 = nullptr;
    QAction* nonIME1 = nullptr;
    QAction* Cut1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Past1 = nullptr;
    QAction* Clear1 = nullptr;
    QAction* SelectAll1 = nullptr;
    QAction* MenuItem1 = nullptr;
    QAction* MenuItem2 = nullptr;
    QAction* MenuItem3 = nullptr;
    QAction* KanjiJapantoHangulSelectAreaType11 = nullptr;
    QAction* KanjiJapantoHangulSelectAreaType21 = nullptr;

    // The entry as a text target: replacing its selection leaves the caret behind the text.
    LineTarget& editTarget() { return *m_editTarget; }
    // Whether find and find next skip the stress marks U+0301 and U+0300 and select their hit.
    bool ignoresStressMarks() const;

    void FormCreate();
    void Button1Click();
    // key: the 8-bit key code of an entry key event, replaced by the handler; 0 swallows it.
    void Edit1KeyPress(int& key);
    // Sees every key of the dialog before the entry does; never consumes it.
    void FormShortCut(const QKeyEvent& event);
    void TimerEditTimer();

    // Context menu of the entry.
    void Cut1Click();
    void Copy1Click();
    void Past1Click();
    void Clear1Click();
    void SelectAll1Click();
    void MenuItem1Click();
    void MenuItem2Click();
    void MenuItem3Click();
    void KanjiJapantoHangulSelectAreaType11Click();
    void KanjiJapantoHangulSelectAreaType21Click();

    // Mode commands of the dialog's menu bar.
    void KoreaRomaIME1Click();
    void KoreaDirectIME1Click();
    void nonIME1Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    bool handleEntryKey(QKeyEvent* event);
    void convertSelection(int type);

    std::unique_ptr<LineTarget> m_editTarget;
};
