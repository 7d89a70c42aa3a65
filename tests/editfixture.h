#pragma once

// The application's windows over a temporary settings folder, for the edit and find tests.

#include "app/appstate.h"
#include "shell/settings.h"
#include "shell/startup.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTest>

class EditWindows {
public:
    // The texts' recovery journals go to a state folder of the fixture's own.
    EditWindows() : m_oldState(qgetenv("XDG_STATE_HOME")) {
        settings::setFolderOverride(m_dir.path());
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("state"))));
        app::state().reset();
        createApplicationWindows({QStringLiteral("toviloeditru")});
        app::state().Form1->show();
        app::state().Form1->activateWindow();
        if (!QTest::qWaitForWindowActive(app::state().Form1))
            qWarning("the main window did not become active");
        app::state().Form1->Memo1->setFocus();
    }
    ~EditWindows() {
        destroyApplicationWindows();
        settings::setFolderOverride(QString());
        qputenv("XDG_STATE_HOME", m_oldState);
        app::state().reset();
    }
    EditWindows(const EditWindows&) = delete;
    EditWindows& operator=(const EditWindows&) = delete;

private:
    QTemporaryDir m_dir;
    QByteArray m_oldState;
};

// The editor's text with \n between lines, and its selection.
inline QString editorLines() {
    return app::state().Form1->Memo1->toPlainText();
}

// Fills the editor from a text written with \n between lines and "|" for the caret or
// "[" "]" around the selection; positions are those of the CR LF view.
inline void setEditor(QString markup) {
    const qsizetype open = markup.indexOf(u'[');
    qsizetype start = markup.indexOf(u'|');
    qsizetype length = 0;
    if (open >= 0) {
        const qsizetype close = markup.indexOf(u']');
        start = open;
        length = close - open - 1;
        markup.remove(close, 1);
        markup.remove(open, 1);
    } else if (start >= 0) {
        markup.remove(start, 1);
    } else {
        start = markup.size();
    }
    const QString before = markup.left(start);
    const QString selected = markup.mid(start, length);
    app::state().Form1->Memo1->setPlainText(markup);
    app::state().Form1->memoTarget().setSelection(start + before.count(u'\n'),
                                                  length + selected.count(u'\n'));
    app::state().TextModified = 0; // filling the editor is the test's set-up, not an edit
}

// Puts Unicode text and/or 8-bit bytes on the clipboard; a null argument leaves that form out.
inline void putOnClipboard(const QString& unicode, const QByteArray& eightBit,
                           const char* eightBitMime) {
    auto* data = new QMimeData;
    if (!unicode.isNull())
        data->setText(unicode);
    if (!eightBit.isNull())
        data->setData(QLatin1String(eightBitMime), eightBit);
    if (unicode.isNull() && eightBit.isNull())
        data->setData(QStringLiteral("application/octet-stream"), QByteArray("\x01\x02", 2));
    QGuiApplication::clipboard()->setMimeData(data);
}
