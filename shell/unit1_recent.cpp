// File commands added to the file menu: the recent files submenu and "reopen as", and the
// open command as the menu and the command line run it.
#include "encoding/detect.h"
#include "shell/appstate.h"
#include "shell/memoedit.h"
#include "shell/memotarget.h"
#include "shell/recentfiles.h"
#include "shell/unit1.h"

#include <QAction>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <string>

namespace {

std::string localPath(const QString& fileName) {
    return QFile::encodeName(fileName).toStdString();
}

// The reading of a "reopen as" choice for a file that starts with the mark `fileBom` (a BomKind
// value): the reader and decoder, and the kind that picks the status-bar label, as detection
// would have given them for such a file. A UTF-16 byte-order mark sets the byte order of the
// UTF-16 reader, so big-endian asked for a file marked little-endian reads it little-endian.
enc::Detection readingFor(int choice, int fileBom) {
    switch (choice) {
    case 0:
        return {enc::EncSjis, enc::BomNone};
    case 1:
        return {enc::EncEuc, enc::BomNone};
    case 2:
        if (fileBom == enc::BomUtf16Le)
            return {enc::EncUtf16, enc::BomUtf16Le};
        return {enc::EncUtf16LeNoBom, enc::BomNone};
    case 3:
        if (fileBom == enc::BomUtf16Le || fileBom == enc::BomUtf16Be)
            return {enc::EncUtf16, enc::BomKind(fileBom)};
        return {enc::EncUtf16, enc::BomNone};
    default:
        return {enc::EncUtf8, fileBom == enc::BomUtf8 ? enc::BomUtf8 : enc::BomNone};
    }
}

// The "reopen as" item that names a reading (the inverse of readingFor).
int choiceOf(int encoding, int bomKind) {
    switch (encoding) {
    case enc::EncSjis:
        return 0;
    case enc::EncEuc:
        return 1;
    case enc::EncUtf16LeNoBom:
        return 2;
    case enc::EncUtf16:
        return bomKind == enc::BomUtf16Le ? 2 : 3;
    default:
        return 4;
    }
}

// The submenu item of a list entry: its number as the mnemonic, then the name, a long one with
// its middle left out so the menu stays within a screen.
QString menuCaption(int index, const QString& fileName, const QFontMetrics& metrics) {
    const int widest = 60 * metrics.averageCharWidth();
    QString shown = metrics.elidedText(fileName, Qt::ElideMiddle, widest);
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg((index + 1) % 10).arg(shown);
}

} // namespace

void TForm1::openCommand() {
    const bool fromCommandLine = OpenFromCommandLine == 1;
    opentextfile1Click();
    if (!fromCommandLine && OpenDialog1().result() != QDialog::Accepted)
        return; // cancelled: nothing was read
    if (RememberedFileName.isEmpty())
        return;
    // The open command keeps what detection found to itself; the same file gives the same
    // answer, and one that cannot be opened was not read.
    const enc::Detection found = enc::DetectEncoding(localPath(RememberedFileName));
    if (found.bom != enc::BomOpenFailed)
        noteOpenedFile(RememberedFileName, found.encoding, found.bom);
}

void TForm1::openRecentFile(const QString& fileName) {
    if (!QFileInfo::exists(fileName)) {
        QStringList names = recent::load();
        names.removeAll(fileName);
        recent::save(names);
        ShowError(QStringLiteral("file not found, removed from recent files:\n") + fileName,
                  QStringLiteral("ERROR"));
        return;
    }
    if (!saveBeforeReplacing(true))
        return;
    const enc::Detection found = enc::DetectEncoding(localPath(fileName));
    loadNamedFile(fileName, found.encoding, found.bom);
}

void TForm1::reopenAs(int choice) {
    // The text on screen may be the file misread: saving it over the file would replace the
    // file's bytes with that reading, so "Yes" asks where to save it.
    if (!RememberedFileName.isEmpty() && saveBeforeReplacing(false)) {
        const QString fileName = RememberedFileName;
        const enc::Detection reading = readingFor(choice, enc::DetectBom(localPath(fileName)));
        loadNamedFile(fileName, reading.encoding, reading.bom);
    }
    // The menu has toggled the chosen item; the mark stays on the last reading that worked.
    showReadingMark();
}

bool TForm1::saveBeforeReplacing(bool toRememberedName) {
    if (TextModified != 1)
        return true;
    if (AskYesNo(QStringLiteral("Save file?"), QStringLiteral("confirm")) != QMessageBox::Yes)
        return true;
    m_lastSaveWrote = false;
    SaveToRememberedName = toRememberedName && !RememberedFileName.isEmpty() ? 1 : 0;
    savefile1Click();
    SaveToRememberedName = 0;
    return lastSaveWroteFile();
}

int TForm1::loadNamedFile(const QString& fileName, int encoding, int bomKind) {
    Memo1->hide();
    Label1->setVisible(true);
    Label1->repaint();
    const int result = LoadTextFile(encoding, bomKind, fileName);
    memoTarget().setSelLength(0);
    memoTarget().setSelStart(0);
    memoTarget().setSelLength(0);
    Memo1->show();
    Memo1->repaint();
    Memo1->setFocus();
    if (result == 0) {
        // The question before the read has saved the text or given it up.
        TextModified = 0;
        noteOpenedFile(fileName, encoding, bomKind);
    }
    return result;
}

void TForm1::noteOpenedFile(const QString& fileName, int encoding, int bomKind) {
    m_lastReading = choiceOf(encoding, bomKind);
    showReadingMark();
    reopenas1->menuAction()->setEnabled(true);
    // Read the list again first: another running copy may have added to it. The submenu is
    // rebuilt when the file menu opens next.
    recent::save(recent::withFirst(recent::load(), QFileInfo(fileName).absoluteFilePath()));
    recentfiles1->menuAction()->setEnabled(true);
}

void TForm1::showReadingMark() {
    const QList<QAction*> items = reopenas1->actions();
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == m_lastReading);
}

void TForm1::refreshRecentMenu() {
    recentfiles1->clear();
    const QStringList names = recent::load();
    for (int i = 0; i < names.size(); ++i) {
        const QString name = names[i];
        QAction* item = recentfiles1->addAction(menuCaption(i, name, recentfiles1->fontMetrics()));
        item->setData(name);
        item->setToolTip(name);
        connect(item, &QAction::triggered, this, [this, name] { openRecentFile(name); });
    }
    recentfiles1->menuAction()->setEnabled(!names.isEmpty());
}
