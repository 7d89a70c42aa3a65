#pragma once

#include <QWidget>

class QPlainTextEdit;

// The keymap help window: the key maps of both input schemes as a fixed, read-only text.
class Thelpform final : public QWidget {
    Q_OBJECT
public:
    explicit Thelpform(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
};
