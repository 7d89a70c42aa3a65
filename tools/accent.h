#pragma once

#include <QWidget>
#include <array>

class QPushButton;

// The accent pad: 8 rows of 14 buttons, each showing one character and inserting it with
// InsertPadChar. Created on first use, owned by the main window; closing it only hides it.
class Taccentform final : public QWidget {
    Q_OBJECT
public:
    explicit Taccentform(QWidget* parent = nullptr);
    ~Taccentform() override;

    // The button in row 1, column 6, focused when the pad first opens.
    QPushButton* ButtonA0 = nullptr;

    // The buttons row by row, named as kAccentKeys names them.
    const std::array<QPushButton*, 112>& buttons() const { return m_buttons; }

private:
    std::array<QPushButton*, 112> m_buttons{};
};
