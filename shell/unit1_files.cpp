// Opening, inserting, saving and exporting files.
#include "app/appstate.h"
#include "app/modal.h"
#include "document/document.h"
#include "encoding/detect.h"
#include "encoding/fileaccess.h"
#include "encoding/outputfile.h"
#include "encoding/platform.h"
#include "encoding/textfile.h"
#include "encoding/textwriter.h"
#include "shell/diskwatch.h"
#include "shell/localname.h"
#include "shell/recoveryjournal.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "text/textload.h"
#include "view/memoview.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QScopeGuard>
#include <functional>
#include <string>
#include <utility>

namespace {

QStringList textFilters() {
    return {QStringLiteral("Text files(*.txt)"), QStringLiteral("HTML files(*.html)"),
            QStringLiteral("All(*.*)")};
}

QStringList htmlFilters() {
    return {QStringLiteral("HTML files(*.html)"), QStringLiteral("Text files(*.txt)"),
            QStringLiteral("All(*.*)")};
}

void prepareDialog(QFileDialog& dialog, const QStringList& filters, const QString& title,
                   const QString& suffix) {
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    dialog.setWindowTitle(title);
    dialog.setDefaultSuffix(suffix);
}

// Shows the dialog; the chosen file, or an empty string when it was cancelled.
QString chosenFile(QFileDialog& dialog) {
    if (modal::run(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles().value(0);
}

std::string localPath(const QString& fileName) {
    return toLocalName(fileName);
}

// The steps shared by the save and the two exports: write the file, and after a full write
// show it in panel 3 and put the caret back. True when the file was written;
// otherwise the error has been shown and the text, the caret and the status bar are as they
// were. `whole` runs as soon as the file is whole, before a signal that came during the
// write may end the program.
bool writeEditorText(TForm1& form, const QString& fileName, enc::OutputFormat format,
                     const std::function<void()>& whole = {}) {
    form.Memo1->hide();
    // The save waits until the text is on the disk: it may be the user's only copy. The
    // exports are made from the text still in the editor and can be made again, so they skip
    // that wait (it grows with their three to four times larger output); the rename still
    // keeps a half-written export from replacing an old one.
    enc::OutputFile file(format == enc::OutputFormat::Utf8 ? enc::OutputFile::Sync::Durable
                                                           : enc::OutputFile::Sync::Fast);
    enc::WriteResult written = file.open(localPath(fileName))
                                   ? form.document().write(format, file.sink())
                                   : enc::WriteResult::failed(enc::WriteFault::Open, file.result());
    // A file written in place is first copied aside, so that the save cannot leave it half
    // old, half new; where no copy can be kept, the user decides.
    if (written && !file.copyOriginal()) {
        if (TForm1::AskYesNo(
                QStringLiteral("No copy of the file can be kept while it is overwritten. "
                               "Save without a copy?"),
                QStringLiteral("confirm"),
                fileName + u'\n' + QString::fromLocal8Bit(enc::FileReason(file.result()))) ==
            QMessageBox::Yes) {
            file.writeWithoutCopy();
        } else {
            file.cancel();
            form.Memo1->show();
            form.Memo1->setFocus();
            return false;
        }
    }
    // SIGTERM, SIGHUP and SIGINT wait for the file to be whole and for what depends on it (the
    // text's journal, which would otherwise be offered onto the new file at the next start).
    enc::platform::HoldEndSignals();
    if (written && !file.commit())
        written = enc::WriteResult::failed(enc::WriteFault::Commit, file.result(), written.offset);
    if (written && whole)
        whole();
    enc::platform::ReleaseEndSignals();
    if (!written) {
        file.cancel();
        TForm1::ShowFileError(fileName, written.cause);
        form.Memo1->show();
        form.Memo1->setFocus();
        return false;
    }
    form.StatusBar1->setPanelText(TStatusBar::FilePanel,
                                  QStringLiteral("UTF-8 nonBOM  ") + fileName);
    form.Memo1->show();
    // After the walk nothing is selected: the caret goes back to where the selection started,
    // or, with wrapping on, stays at the end of the text where the walk ended.
    MemoView& memo = form.memoTarget();
    const qsizetype caret = memo.selStart();
    memo.setSelLength(0);
    memo.setSelStart(form.wordWrap() ? memo.length() : caret);
    form.Memo1->setFocus();
    return true;
}

} // namespace

void TForm1::opentextfile1Click() {
    QFileDialog& dialog = OpenDialog1();
    prepareDialog(dialog, textFilters(), QStringLiteral("Open a Text file"), QStringLiteral("txt"));
    QString fileName;
    if (app::state().OpenFromCommandLine == 1) {
        app::state().OpenFromCommandLine = 0;
        fileName = m_arguments.value(1);
    } else {
        fileName = chosenFile(dialog);
        if (fileName.isEmpty())
            return;
    }
    openTextFileNamed(fileName);
}

void TForm1::openTextFileNamed(const QString& fileName) {
    if (readInProgress())
        return;
    doc::OpenFile file;
    if (readyToReplaceText(fileName, file))
        loadNamedFile(file, fileName, std::nullopt);
}

text::LoadProgress TForm1::readProgress() {
    // A large file shows how far the reading has come beside the wait label, and the window
    // keeps painting meanwhile. The loader reports every MiB; the label and the window are
    // brought up to date at most every 50 ms, since each round of painting costs as much under
    // X11 as reading megabytes.
    return [this, sinceShown = QElapsedTimer()](std::uint64_t done, std::uint64_t total) mutable {
        if (total == 0 || (sinceShown.isValid() && sinceShown.elapsed() < 50))
            return;
        sinceShown.start();
        showReadProgress(int(std::min<std::uint64_t>(99, done * 100 / total)));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}

void TForm1::readEnded() {
    showReadProgress(-1);
    // What waited for the read runs after the text read has been put in place.
    if (std::exchange(m_diskNoticeWaiting, false))
        QMetaObject::invokeMethod(this, &TForm1::fileChangedOnDisk, Qt::QueuedConnection);
    if (std::exchange(m_closeWaiting, false))
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

int TForm1::LoadTextFile(int encoding, int bomKind, const QString& fileName) {
    doc::OpenFile file;
    file.open(localPath(fileName));
    return LoadTextFile(file, fileName,
                        enc::Detection{enc::TextEncoding(encoding), enc::BomKind(bomKind)});
}

int TForm1::LoadTextFile(doc::OpenFile& file, const QString& fileName,
                         std::optional<enc::Detection> reading) {
    // The whole file is decoded into a text of its own before the editor is touched, so a file
    // that cannot be read leaves the user's text as it was.
    const enc::FileResult why = m_document->read(file, reading, readProgress());
    readEnded();
    // A file that is there but cannot be read to its end is not what the text or a later save
    // belongs to: the status bar and the remembered name stay as they were.
    if (!why && !why.missing()) {
        ShowFileError(fileName, why);
        return -2;
    }
    const enc::Detection used =
        why ? m_document->file().reading : reading.value_or(enc::Detection{});
    StatusBar1->setPanelText(TStatusBar::FilePanel,
                             QString::fromLatin1(enc::EncodingLabel(used.encoding, used.bom)) +
                                 QStringLiteral("  ") + fileName);
    StatusBar1->setPanelText(TStatusBar::CaretPanel, QStringLiteral("Line:1  Col:1"));
    m_diskWatch->follow();
    if (!why) {
        ShowFileError(fileName, why);
        return -2;
    }
    return 0;
}

void TForm1::inserttextfile1Click() {
    QFileDialog& dialog = OpenDialog1();
    prepareDialog(dialog, textFilters(), QStringLiteral("Insert a Text file"),
                  QStringLiteral("txt"));
    const QString fileName = chosenFile(dialog);
    if (fileName.isEmpty() || readInProgress())
        return;
    // Detection and the read share one open of the file.
    doc::OpenFile file;
    file.open(localPath(fileName));
    const enc::Detection found = file.detect();
    Memo1->hide();
    // The editor comes back also when the text cannot get its memory.
    const auto showEditor = qScopeGuard([this] { Memo1->show(); });
    Label1->setVisible(true);
    Label1->repaint();
    memoTarget().setSelStart(memoTarget().selStart() + memoTarget().selLength());
    insertOpenedFile(file, found.encoding, fileName);
    Memo1->show();
    Memo1->repaint();
    Memo1->setFocus();
}

int TForm1::InsertTextFile(int encoding, int bomKind, const QString& fileName) {
    (void)bomKind;
    doc::OpenFile file;
    file.open(localPath(fileName));
    return insertOpenedFile(file, enc::TextEncoding(encoding), fileName);
}

int TForm1::insertOpenedFile(doc::OpenFile& file, enc::TextEncoding encoding,
                             const QString& fileName) {
    // Read as the open command reads (the same lines, joined by CR LF), and nothing is inserted
    // unless the whole file was read.
    text::TextBuilder text;
    const enc::FileResult why = m_document->readInto(file, encoding, text, readProgress());
    readEnded();
    if (!why) {
        ShowFileError(fileName, why);
        return -2;
    }
    // One edit at the caret, a single undo step, with the decoded text itself: it is not
    // copied. The caret ends behind it. It changes the user's text, so it counts as a change
    // like typing does.
    Memo1->insertAtCaret(std::move(text));
    return 0;
}

void TForm1::savefile1Click() {
    m_lastSaveWrote = false;
    QString fileName;
    if (app::state().SaveToRememberedName == 1) {
        fileName = app::state().RememberedFileName;
        if (!overwriteConfirmed(fileName))
            return;
    } else {
        QFileDialog& dialog = SaveDialog1();
        prepareDialog(dialog, textFilters(), QStringLiteral("Save a Text file"),
                      QStringLiteral("txt"));
        fileName = chosenFile(dialog);
        if (fileName.isEmpty())
            return;
    }
    // Once the file on the disk holds the text, its journal is no longer needed, and a journal
    // of later edits starts from the file as saved (UTF-8).
    if (!writeEditorText(*this, fileName, enc::OutputFormat::Utf8, [this] { m_journal->saved(); }))
        return;
    m_lastSaveWrote = true;
    textSavedTo(fileName);
}

void TForm1::overwritesavefileUTF81Click() {
    app::state().SaveToRememberedName = 0;
    if (!app::state().RememberedFileName.isEmpty())
        app::state().SaveToRememberedName = 1;
    savefile1Click();
    app::state().SaveToRememberedName = 0;
}

void TForm1::saveHTML99tagASCII1Click() {
    QFileDialog& dialog = SaveDialog1();
    prepareDialog(dialog, htmlFilters(), QStringLiteral("Save Unicode number HTML &#99;tag file"),
                  QStringLiteral("html"));
    const QString fileName = chosenFile(dialog);
    if (!fileName.isEmpty())
        writeEditorText(*this, fileName, enc::OutputFormat::Html);
}

void TForm1::saveUnicodenumberlanguageC0x1Click() {
    QFileDialog& dialog = SaveDialog1();
    prepareDialog(dialog, textFilters(), QStringLiteral("Save Unicode number language C 0x* file"),
                  QStringLiteral("txt"));
    const QString fileName = chosenFile(dialog);
    if (!fileName.isEmpty())
        writeEditorText(*this, fileName, enc::OutputFormat::CArray);
}

void TForm1::showReadProgress(int percent) {
    if (percent < 0) {
        m_readProgress->hide();
        return;
    }
    m_readProgress->setText(QString::number(percent) + u'%');
    m_readProgress->show();
    m_readProgress->raise();
    m_readProgress->update();
}
