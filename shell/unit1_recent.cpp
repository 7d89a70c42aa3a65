// Ways to open a file added beside the file menu's own: the recent files submenu, "reopen as"
// and files dropped on the window, and the steps every open shares once the file is chosen.
#include "app/appstate.h"
#include "app/memoryguard.h"
#include "document/document.h"
#include "encoding/detect.h"
#include "encoding/fileaccess.h"
#include "encoding/readings.h"
#include "shell/localname.h"
#include "shell/recentfiles.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QAction>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QScopeGuard>
#include <QUrl>
#include <algorithm>
#include <string>

namespace {

// The submenu item of a list entry: its number as the mnemonic, then the name, a long one with
// its middle left out so the menu stays within a screen.
QString menuCaption(int index, const QString& fileName, const QFontMetrics& metrics) {
    const int widest = 60 * metrics.averageCharWidth();
    QString shown = metrics.elidedText(displayName(fileName), Qt::ElideMiddle, widest);
    shown.replace(u'&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg((index + 1) % 10).arg(shown);
}

} // namespace

void TForm1::openRecentFile(const QString& fileName) {
    if (!enc::StampOf(toLocalName(fileName)).exists) {
        QStringList names = recent::load();
        names.removeAll(fileName);
        recent::save(names);
        ShowError(QStringLiteral("file not found, removed from recent files:\n") +
                      displayName(fileName),
                  QStringLiteral("ERROR"));
        return;
    }
    openTextFileNamed(fileName);
}

void TForm1::reopenAs(int choice) {
    // The text on screen may be the file misread: saving it over the file would replace the
    // file's bytes with that reading, so "Yes" asks where to save it.
    // The name is taken first: a save elsewhere makes that file the remembered one.
    const QString fileName = app::state().RememberedFileName;
    doc::OpenFile file;
    if (!fileName.isEmpty() && !readInProgress() &&
        readyToReplaceText(fileName, file, SaveRoute::ThroughDialog)) {
        const enc::Detection reading = enc::ReadingDetection(enc::Reading(choice), file.bom());
        if (loadNamedFile(file, fileName, reading) == 0)
            m_readingChosen = true;
    }
    // The menu has toggled the chosen item; the mark stays on the last reading that worked.
    showReadingMark();
}

int TForm1::loadNamedFile(doc::OpenFile& file, const QString& fileName,
                          std::optional<enc::Detection> reading) {
    if (readInProgress())
        return -2;
    Memo1->hide();
    // The editor comes back also when the text cannot get its memory.
    const auto showEditor = qScopeGuard([this] { Memo1->show(); });
    Label1->setVisible(true);
    Label1->repaint();
    const int result = LoadTextFile(file, fileName, reading);
    memoTarget().setSelection(0, 0);
    Memo1->show();
    Memo1->repaint();
    Memo1->setFocus();
    if (result == 0) {
        const enc::Detection used = document().file().reading;
        noteOpenedFile(fileName, used.encoding, used.bom);
    }
    return result;
}

void TForm1::noteOpenedFile(const QString& fileName, int encoding, int bomKind) {
    m_lastReading = enc::ReadingOf({enc::TextEncoding(encoding), enc::BomKind(bomKind)});
    m_readingChosen = false;
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
        item->setToolTip(displayName(name));
        connect(item, &QAction::triggered, this,
                [this, name] { app::guardMemory([&] { openRecentFile(name); }); });
    }
    recentfiles1->menuAction()->setEnabled(!names.isEmpty());
}

void TForm1::openDroppedFiles(const QList<QUrl>& files) {
    // The open command is not at hand while the find dialog is up (it disables the file menu).
    if (files.isEmpty() || !FILE1->isEnabled() || !opentextfile1->isEnabled())
        return;
    openTextFileNamed(files.first().toLocalFile());
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QMimeData* data = event->mimeData();
    const QList<QUrl> urls = data && data->hasUrls() ? data->urls() : QList<QUrl>();
    if (std::any_of(urls.cbegin(), urls.cend(),
                    [](const QUrl& url) { return url.isLocalFile(); })) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        return;
    }
    QMainWindow::dragEnterEvent(event);
}

void TForm1::dropEvent(QDropEvent* event) {
    const QMimeData* data = event->mimeData();
    QList<QUrl> files;
    if (data && data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile())
                files.append(url);
    if (files.isEmpty()) {
        QMainWindow::dropEvent(event);
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    app::guardMemory([&] { openDroppedFiles(files); });
}
