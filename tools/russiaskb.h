#pragma once

#include <QWidget>

// The Russian screen keyboard: a picture of a Russian keyboard whose keys insert letters.
class Trussiaskbform final : public QWidget {
    Q_OBJECT
public:
    explicit Trussiaskbform(QWidget* parent = nullptr);
};
