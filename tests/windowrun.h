#pragma once

// Helpers shared by the tests that start the real windows with the settings folder pointed at
// a temporary directory and answer every modal question through the real dialogs.

#include "app/appstate.h"
#include "app/modal.h"
#include "shell/exit.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/unit1.h"

#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QTemporaryDir>

// One run of the application's windows over a temporary settings folder.
class WindowRun {
public:
    // The recovery journals of the run's texts go to a state folder of its own, so a run
    // never sees the user's journals or another run's.
    WindowRun() : m_oldState(qgetenv("XDG_STATE_HOME")) {
        settings::setFolderOverride(m_dir.path());
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("state"))));
    }
    ~WindowRun() {
        stop();
        settings::setFolderOverride(QString());
        qputenv("XDG_STATE_HOME", m_oldState);
    }
    WindowRun(const WindowRun&) = delete;
    WindowRun& operator=(const WindowRun&) = delete;

    void start(const QStringList& arguments = {QStringLiteral("toviloeditru")}) {
        stop();
        settings::setFolderOverride(m_dir.path());
        app::state().reset();
        createApplicationWindows(arguments);
        m_running = true;
    }
    void stop() {
        modal::setResponder({});
        if (m_running)
            destroyApplicationWindows();
        m_running = false;
    }

    QString path(const QString& name) const { return m_dir.filePath(name); }
    QString settingsPath() const { return path(QString::fromLatin1(settings::kSettingsFileName)); }
    QString fontPath() const { return path(QString::fromLatin1(settings::kFontFileName)); }
    void put(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        if (file.open(QIODevice::WriteOnly))
            file.write(bytes);
    }
    QByteArray get(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    QTemporaryDir m_dir;
    QByteArray m_oldState;
    bool m_running = false;
};

// A family that has a bold italic face, so that the font dialog can hand out bold italic;
// the default family when there is none.
inline QString familyWithBoldItalic() {
    const QStringList families = QFontDatabase::families();
    for (const QString& family : families) {
        const QStringList styles = QFontDatabase::styles(family);
        if (styles.contains(QStringLiteral("Bold Italic")) ||
            styles.contains(QStringLiteral("Bold Oblique")))
            return family;
    }
    return QFont().family();
}

// Answers the modal questions in turn through their real windows. Each step names the button
// to press: "Yes", "No", "OK" for message boxes; the exit window's captions, or "close box";
// "save:<path>" to pick a file in a file dialog, "pick:<path>" to hand back any name (also one
// the dialog itself would not accept: a FIFO, a folder, a name that does not exist), anything
// else cancels it; a font dialog is accepted on the font given by setFont, any step "cancel"
// rejects it.
class Answers {
public:
    explicit Answers(QStringList steps = {}) : m_steps(std::move(steps)) {
        modal::setResponder([this](QDialog& dialog) { answer(dialog); });
    }
    ~Answers() { modal::setResponder({}); }
    Answers(const Answers&) = delete;
    Answers& operator=(const Answers&) = delete;

    // What each question was: a message box's text, "exit window", "file dialog", "font
    // dialog".
    QStringList seen;
    // The informative text of each message box, in turn.
    QStringList details;
    QFont font;

private:
    // Puts a name into the dialog as if chosen in its list. QFileDialog::selectFile leaves the
    // name field alone while that field has the focus (it would overwrite what the user is
    // typing), and a dialog shown again gets the focus back there: without taking it away,
    // every later choice would hand back the name typed into the first one.
    static void chooseName(QFileDialog& files, const QString& name) {
        if (QWidget* focused = files.focusWidget())
            focused->clearFocus();
        files.selectFile(name);
    }

    void answer(QDialog& dialog) {
        const QString step = m_steps.isEmpty() ? QString() : m_steps.takeFirst();
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) {
            seen << box->text();
            details << box->informativeText();
            const QMessageBox::StandardButton which =
                step == QLatin1String("Yes")  ? QMessageBox::Yes
                : step == QLatin1String("No") ? QMessageBox::No
                                              : QMessageBox::Ok;
            if (QAbstractButton* button = box->button(which))
                button->click();
        } else if (qobject_cast<Texitform*>(&dialog)) {
            seen << QStringLiteral("exit window");
            for (QPushButton* button : dialog.findChildren<QPushButton*>())
                if (button->text() == step)
                    button->click();
            if (dialog.isVisible())
                dialog.close(); // its own close box
        } else if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            seen << QStringLiteral("file dialog");
            if (step.startsWith(QLatin1String("save:"))) {
                files->setOption(QFileDialog::DontConfirmOverwrite);
                chooseName(*files, step.mid(5));
                dialog.accept(); // the file dialog's own accept, through its base
            } else if (step.startsWith(QLatin1String("pick:"))) {
                chooseName(*files, step.mid(5));
                dialog.done(QDialog::Accepted);
            } else {
                files->reject();
            }
        } else if (auto* fonts = qobject_cast<QFontDialog*>(&dialog)) {
            seen << QStringLiteral("font dialog");
            if (step == QLatin1String("cancel")) {
                fonts->reject();
            } else {
                fonts->setCurrentFont(font);
                fonts->accept();
            }
        } else {
            seen << dialog.windowTitle();
            dialog.reject();
        }
    }

    QStringList m_steps;
};
