#pragma once

class QColor;
class QFont;
class QString;
class QWidget;
namespace ime {
class TextTarget;
}

namespace app {

// What the find dialog, the tool windows and the help window ask of the main window. The main
// window implements it; the windows below it never see the main window's class, so the
// arrows between the folders run one way.
class MainWindow {
public:
    // Where a character of a tool window goes: the find dialog's entry while that dialog is
    // visible, otherwise the editor.
    struct CurrentTarget {
        ime::TextTarget& text;
        bool findEntry;
    };
    virtual CurrentTarget currentTextTarget() = 0;
    // Inserts text at the editor's caret, replacing nothing; the caret ends behind it.
    virtual void insertAtEditorCaret(const QString& text) = 0;
    // Presses the find dialog's Find button.
    virtual void pressFind() = 0;

    // The direct layout's placement argument: 0 Japanese keyboard, 1 US keyboard.
    virtual int keyboardPlacement() const = 0;
    // The main window's mode commands: each sets ImeMode and the mode's status panel.
    virtual void KoreaRomaIME1Click() = 0;
    virtual void KoreaDirectIME1Click() = 0;
    virtual void nonIME1Click() = 0;

    // The editor's font and the colour of its text.
    virtual QFont editorFont() const = 0;
    virtual QColor editorTextColor() const = 0;
    // The main window itself, for placing other windows over it.
    virtual QWidget& mainWidget() = 0;

protected:
    ~MainWindow() = default;
};

} // namespace app
