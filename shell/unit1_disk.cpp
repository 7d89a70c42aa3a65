// The file on disk behind the text: the checks before an open replaces the text or a save
// replaces the file, and the watch for changes made by other programs.
#include "app/appstate.h"
#include "app/modal.h"
#include "document/document.h"
#include "encoding/detect.h"
#include "encoding/fileaccess.h"
#include "encoding/readings.h"
#include "shell/diskwatch.h"
#include "shell/localname.h"
#include "shell/unit1.h"

#include <QMessageBox>

void TForm1::ShowFileError(const QString& fileName, const enc::FileResult& why) {
    ShowError(QStringLiteral("can't file open"), QStringLiteral("ERROR"),
              fileName + u'\n' + QString::fromLocal8Bit(enc::FileReason(why)));
}

bool TForm1::saveToRememberedOrAsk() {
    m_lastSaveWrote = false;
    app::state().SaveToRememberedName = app::state().RememberedFileName.isEmpty() ? 0 : 1;
    savefile1Click();
    app::state().SaveToRememberedName = 0;
    return lastSaveWroteFile();
}

bool TForm1::readyToReplaceText(const QString& fileName, doc::OpenFile& file, SaveRoute route) {
    // Only what can be read replaces the text. A name that does not exist goes on to the
    // read, which reports it and remembers the name for a later save.
    const enc::FileResult usable = file.open(toLocalName(fileName));
    if (!usable && !usable.missing()) {
        ShowFileError(fileName, usable);
        return false;
    }
    if (usable && app::state().TextModified == 1 &&
        AskYesNo(QStringLiteral("Save file?"), QStringLiteral("confirm")) == QMessageBox::Yes) {
        bool saved = false;
        if (route == SaveRoute::InPlace) {
            saved = saveToRememberedOrAsk();
        } else {
            m_lastSaveWrote = false;
            app::state().SaveToRememberedName = 0;
            savefile1Click();
            saved = lastSaveWroteFile();
        }
        if (!saved)
            return false;
        // The save may have replaced the very file to be read: read what is there now.
        const enc::FileResult again = file.open(toLocalName(fileName));
        if (!again && !again.missing()) {
            ShowFileError(fileName, again);
            return false;
        }
    }
    return true;
}

bool TForm1::overwriteConfirmed(const QString& fileName) {
    if (m_diskWatch->fileName() != fileName)
        return true;
    switch (m_diskWatch->state()) {
    case DiskWatch::State::Unchanged:
        return true;
    case DiskWatch::State::Changed:
        return AskYesNo(QStringLiteral("File changed on disk. Overwrite?"),
                        QStringLiteral("confirm"), fileName) == QMessageBox::Yes;
    case DiskWatch::State::Deleted:
        return AskYesNo(QStringLiteral("File deleted on disk. Save it again?"),
                        QStringLiteral("confirm"), fileName) == QMessageBox::Yes;
    }
    return true;
}

void TForm1::textSavedTo(const QString& fileName) {
    // The file now holds UTF-8, whatever reading the text came from.
    m_readingChosen = false;
    m_document->saved(toLocalName(fileName));
    m_diskWatch->follow();
}

void TForm1::fileChangedOnDisk() {
    // One question at a time: changes that come while it is open are seen by the next save.
    if (m_askingAboutDisk)
        return;
    // A reload now would start a read inside the one running; the file is looked at again
    // when that read is over (it may then follow another file).
    if (readInProgress()) {
        m_diskNoticeWaiting = true;
        return;
    }
    m_askingAboutDisk = true;
    const QString fileName = m_diskWatch->fileName();
    const DiskWatch::State state = m_diskWatch->state();
    m_diskWatch->acknowledge();
    if (state == DiskWatch::State::Deleted) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("warning"),
                        QStringLiteral("File deleted on disk."), QMessageBox::Ok, this);
        box.setInformativeText(fileName);
        modal::run(box);
    } else if (state == DiskWatch::State::Changed &&
               AskYesNo(QStringLiteral("File changed on disk. Reload?"), QStringLiteral("confirm"),
                        fileName) == QMessageBox::Yes) {
        reloadChangedFile(fileName);
    }
    m_askingAboutDisk = false;
}

void TForm1::reloadChangedFile(const QString& fileName) {
    // Detection would read the file as it did before the user's choice: a Cyrillic code page,
    // which detection never picks, would come back as Shift_JIS.
    if (!m_readingChosen) {
        openTextFileNamed(fileName);
        return;
    }
    doc::OpenFile file;
    if (!readyToReplaceText(fileName, file))
        return;
    const enc::Detection reading = enc::ReadingDetection(enc::Reading(m_lastReading), file.bom());
    if (loadNamedFile(file, fileName, reading) == 0)
        m_readingChosen = true;
}
