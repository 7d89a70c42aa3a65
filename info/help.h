#pragma once

#include <QWidget>

class QPlainTextEdit;

// The keymap help window: the key maps of both input schemes as a fixed, read-only text.
class Thelpform final : public QWidget {
    Q_OBJECT
public:
    explicit Thelpform(QWidget* parent = nullptr);
    ~Thelpform() override;

    // Fills the text control once, at creation: the main editor's font (when the main window
    // exists), the help text inserted at the caret, then the caret back at position 0.
    void FormCreate();

    // Shows the window modelessly and brings it to the front. A hidden window is first centred
    // over the main window; the text and its scroll position stay as they were.
    void showOverMainWindow();

    QPlainTextEdit* Memo1 = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;
};
