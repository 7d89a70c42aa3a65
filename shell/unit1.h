#pragma once

#include "app/mainwindow.h"
#include "encoding/detect.h"
#include "text/textload.h"

#include <QMainWindow>
#include <QStringList>
#include <QStringView>
#include <memory>
#include <optional>

class DiskWatch;
class EditJournal;
class SpellMarks;
namespace doc {
class Document;
class OpenFile;
} // namespace doc
class QAction;
class QFileDialog;
class QFontDialog;
class QLabel;
class QMenu;
class QTimer;
class QUrl;
class MemoView;
class TStatusBar;

// The main window: the editor, its menus, context menu and status bar. Its command handlers
// carry the names of their menu items; each concern lives in its own source file
// (unit1.cpp start-up and menus, unit1_input.cpp keys and modes, unit1_edit.cpp clipboard,
// unit1_files.cpp files, unit1_view.cpp font and wrap, unit1_close.cpp closing,
// unit1_find.cpp search, unit1_tools.cpp character tools, unit1_info.cpp help and desktop).
class TForm1 : public QMainWindow, public app::MainWindow {
    Q_OBJECT
public:
    // arguments: the command line, the program's name first.
    explicit TForm1(const QStringList& arguments, QWidget* parent = nullptr);
    ~TForm1() override;

    // Message boxes: a question with Yes (default) and No, and an error with OK. `detail`, when
    // given, is shown under the text (the file concerned and the system's reason).
    // AskYesNo returns QMessageBox::Yes or QMessageBox::No.
    static int AskYesNo(const QString& text, const QString& caption, const QString& detail = {});
    static void ShowError(const QString& text, const QString& caption, const QString& detail = {});
    // "can't file open" / "ERROR" for a file that could not be read or written, with its name
    // and the reason.
    static void ShowFileError(const QString& fileName, const enc::FileResult& why);

    // The editor as a text target (UTF-16 units, CR LF between lines).
    MemoView& memoTarget() { return *Memo1; }
    // The editor's text, its file and its modified state; Memo1 shows and edits its buffer.
    doc::Document& document() { return *m_document; }

    // Controls, named as the window's designer named them.
    MemoView* Memo1 = nullptr;
    QLabel* Label1 = nullptr;
    TStatusBar* StatusBar1 = nullptr;
    QTimer* TimerMemo = nullptr;
    QMenu* FILE1 = nullptr;
    QMenu* edit1 = nullptr;
    QMenu* ime1 = nullptr;
    QMenu* help1 = nullptr;
    QMenu* PopupMenu1 = nullptr;

    QAction* opentextfile1 = nullptr;
    QAction* inserttextfile1 = nullptr;
    QAction* savefile1 = nullptr;
    QAction* overwritesavefileUTF81 = nullptr;
    QAction* saveHTML99tagASCII1 = nullptr;
    QAction* saveUnicodenumberlanguageC0x1 = nullptr;
    QAction* exit1 = nullptr;
    QAction* find1 = nullptr;
    QAction* Wrapofftoggle1 = nullptr;
    QAction* changefont1 = nullptr;
    QAction* Screenkeyboard2 = nullptr;
    QAction* AccentPAD2 = nullptr;
    QAction* JapaneseOSJapaneseIME1 = nullptr;
    QAction* createShortcutinprogrammenu1 = nullptr;
    QAction* createshortcutinDesktopmenu1 = nullptr;
    QAction* KoreaRomaIME1 = nullptr;
    QAction* KoreaDirectIME1 = nullptr;
    QAction* nonIME1 = nullptr;
    QAction* KoreanRomanizedinput1 = nullptr;
    QAction* KoreanDirectinput1 = nullptr;
    QAction* dontuseIME1 = nullptr;
    QAction* keymap1 = nullptr;
    QAction* Screenkeyboard1 = nullptr;
    QAction* AccentPAD1 = nullptr;
    QAction* Jumptoofficialwebsite1 = nullptr;
    QAction* JumptoToviloGlossawebsite1 = nullptr;
    QAction* copyright1 = nullptr;
    QAction* MenuItem1 = nullptr;
    QAction* MenuItem2 = nullptr;
    QAction* MenuItem3 = nullptr;
    QAction* MenuItem4 = nullptr;
    QAction* MenuItem5 = nullptr;
    QAction* MenuItem7 = nullptr;
    QAction* MenuItem8 = nullptr;
    QAction* MenuItem9 = nullptr;
    QAction* KanjiJapantoHangulSelectArea1 = nullptr;
    QAction* KanjiJapantoHangulSelectAreaType21 = nullptr;

    // Commands added after the designed ones: Undo and Redo (one action each, in the edit
    // menu and the context menu), "find next" after "find", and two submenus at the end of the
    // file menu.
    QAction* Undo1 = nullptr;
    QAction* Redo1 = nullptr;
    QAction* findnext1 = nullptr;
    // Retyping the selection, at the end of the edit menu and of the context menu.
    QAction* retypeasRussiaRoma1 = nullptr;
    QAction* retypeasRussiaDirect1 = nullptr;
    QAction* retypeasLatin1 = nullptr;
    QMenu* recentfiles1 = nullptr;
    QMenu* reopenas1 = nullptr;
    // "spell check" at the end of the edit menu, with a check mark while checking is on.
    QAction* spellcheck1 = nullptr;

    // Dialogs, created on first use and configured by each command before it shows them.
    QFileDialog& OpenDialog1();
    QFileDialog& SaveDialog1();
    QFileDialog& SaveDialog2();
    QFontDialog& FontDialog1();

    // --- start-up (unit1.cpp)
    void FormCreate();

    // --- keys, modes and caret (unit1_input.cpp)
    // key: the 8-bit key code, replaced by the handler; 0 swallows the key.
    void Memo1KeyPress(int& key);
    void Memo1KeyUp();
    void Memo1Click();
    // Sees every key of the main window before the editor does; never consumes it.
    void FormShortCut(const QKeyEvent& event);
    void KoreaRomaIME1Click() override;
    void KoreaDirectIME1Click() override;
    void nonIME1Click() override;
    void KoreanRomanizedinput1Click();
    void KoreanDirectinput1Click();
    void dontuseIME1Click();
    void MenuItem7Click();
    void MenuItem8Click();
    void MenuItem9Click();
    void JapaneseOSJapaneseIME1Click();
    // The placement argument of the direct layout: 0 Japanese keyboard, 1 US keyboard.
    int keyboardPlacement() const override;

    // --- edit commands and clipboard (unit1_edit.cpp)
    void MenuItem1Click(); // Cut
    void MenuItem2Click(); // Copy
    void MenuItem3Click(); // Paste
    void MenuItem4Click(); // Clear
    void MenuItem5Click(); // Select All
    void TimerMemoTimer();
    void Undo1Click();
    void Redo1Click();
    // The selected text as typing its Latin keys in the romanized mode, or in the direct layout
    // of the current keyboard placement, would have given it; and the direct layout's letters
    // back to their Latin keys. One undo step; the result stays selected. Nothing happens when
    // nothing is selected, the editor is locked or the text would not change.
    void retypeasRussiaRoma1Click();
    void retypeasRussiaDirect1Click();
    void retypeasLatin1Click();

    // --- files (unit1_files.cpp)
    void opentextfile1Click();
    void inserttextfile1Click();
    void savefile1Click();
    void overwritesavefileUTF81Click();
    void saveHTML99tagASCII1Click();
    void saveUnicodenumberlanguageC0x1Click();
    // Read the file into the editor (replacing the text) or at the caret; encoding and bomKind
    // as enc::DetectEncoding gives them. 0, or -2 when the file could not be read.
    int LoadTextFile(int encoding, int bomKind, const QString& fileName);
    int InsertTextFile(int encoding, int bomKind, const QString& fileName);
    // The same for a file already opened (the open that checked it): the reading given, or the
    // one detection finds in it.
    int LoadTextFile(doc::OpenFile& file, const QString& fileName,
                     std::optional<enc::Detection> reading);
    // Opens a file of the recent list: a name that no longer exists is dropped from the list
    // with a message; otherwise, after the question about unsaved text, the file is read with
    // the encoding detection finds.
    void openRecentFile(const QString& fileName);
    // Reads RememberedFileName again with the reader of "reopen as" item `choice` (0 Shift_JIS,
    // 1 EUC-JP, 2 UTF-16 LE, 3 UTF-16 BE, 4 UTF-8), after the question about unsaved text.
    void reopenAs(int choice);
    // Rebuilds the recent files submenu from the list file; the file menu does so each time it
    // opens.
    void refreshRecentMenu();
    // True when the last run of savefile1Click wrote the file (false after a cancelled dialog
    // or a failed write), so the closing routes know whether the text is safe.
    bool lastSaveWroteFile() const { return m_lastSaveWrote; }
    // The open command from the file name on: the checks before replacing the text, then the
    // read; a file read goes to the recent list and the "reopen as" mark. Also used to reload a
    // file changed on disk, for the recent list and for files dropped on the window.
    void openTextFileNamed(const QString& fileName);

    // --- the file on disk (unit1_disk.cpp)
    // Runs the save command as the closing routes do: to RememberedFileName without a dialog
    // when there is one, else through the save dialog. True when the file was written.
    bool saveToRememberedOrAsk();
    // The file the text was read from or last saved to, watched for changes by others.
    DiskWatch& diskWatch() { return *m_diskWatch; }

    // Sets the check marks of the nine mode items from ImeMode.
    void showModeChecks();

    // --- view (unit1_view.cpp)
    QFont editorFont() const override;
    QColor editorTextColor() const override;
    void changefont1Click();
    void Wrapofftoggle1Click();
    bool wordWrap() const;
    // Switches wrap and keeps the toggle's caption and the wrap panel in step.
    void setWordWrapShown(bool on);

    // --- spell checking (unit1_spell.cpp)
    void spellcheck1Click();
    SpellMarks& spellMarks() { return *m_spell; }

    // --- closing (unit1_close.cpp)
    void exit1Click();
    // Returns false when the close must not go ahead: the user asked to save and the save did
    // not write the file, so the window stays open with its text.
    bool FormClose();

    // --- recovery (recoveryjournal.cpp, recoverywindow.cpp)
    // The buffer whose edits the recovery journal records.
    text::TextBuffer& journaledBuffer();
    // Offers the texts that killed editors left behind in the recovery window, and puts the
    // one the user chose into the editor, modified, under its file's name. That name (empty for
    // a new text) when a text was recovered.
    std::optional<QString> offerRecovery();
    // The journal of the editor's text.
    EditJournal& editJournal() { return *m_journal; }

    // --- search (unit1_find.cpp)
    void find1Click();
    void pressFind() override;
    // Searches the find entry's text again, from one unit after the start of the selection (or
    // the caret), by the find command's rules and without its dialog, stress marks ignored when
    // the dialog's option says so. A hit gets the caret (is selected, when the marks are
    // ignored); when there is none the caret stays and the file panel says so for a moment.
    // With an empty entry it runs the find command, so the text can be typed.
    void findnext1Click();

    // --- character tools (unit1_tools.cpp)
    CurrentTarget currentTextTarget() override;
    void insertAtEditorCaret(const QString& text) override;
    QWidget& mainWidget() override { return *this; }
    void AccentPAD1Click();
    void AccentPAD2Click();
    void Screenkeyboard1Click();
    void Screenkeyboard2Click();
    void KanjiJapantoHangulSelectArea1Click();
    void KanjiJapantoHangulSelectAreaType21Click();

    // --- help and desktop (unit1_info.cpp)
    void keymap1Click();
    void copyright1Click();
    void createShortcutinprogrammenu1Click();
    void createshortcutinDesktopmenu1Click();
    void Jumptoofficialwebsite1Click();
    void JumptoToviloGlossawebsite1Click();

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildMenus();
    void buildPopupMenu();
    void buildAddedCommands();
    // Replaces the selection by retype(selected text), leaving the result selected.
    void retypeSelection(QString (*retype)(QStringView, int));
    void buildSpellCheck();
    // Puts the spell items at the top of the context menu when `viewportPos` is on a word the
    // check flags, and takes those of the last time away.
    void showSpellItems(const QPoint& viewportPos);
    // Reads an opened file into the editor as the open command does after its checks (in
    // `reading`, else as detected), the caret at the start; a file read is noted
    // (noteOpenedFile). 0, or -2 as LoadTextFile gives it.
    int loadNamedFile(doc::OpenFile& file, const QString& fileName,
                      std::optional<enc::Detection> reading);
    // Reads an opened file in `encoding` and inserts it at the caret. 0, or -2.
    int insertOpenedFile(doc::OpenFile& file, enc::TextEncoding encoding, const QString& fileName);
    // Puts a file just read at the top of the recent list and marks its encoding in the
    // "reopen as" menu.
    void noteOpenedFile(const QString& fileName, int encoding, int bomKind);
    void showReadingMark();
    void readSettingsFile();
    void clampGeometry();
    void readFontFile();
    void writeFontFile();
    // Binds the application's TextModified and RememberedFileName to the document.
    void bindDocumentState();
    // Starts the recovery journal of the editor's text.
    void startEditJournal();
    bool handleEditorKey(QKeyEvent* event);
    // Underlines the letter before the caret while the romanized composer may still change it.
    void showOpenLetter();
    // A drop of local files opens the first of them through the open command (its checks and
    // its question about unsaved text included); the others are not opened.
    void openDroppedFiles(const QList<QUrl>& files);
    // Where "Yes" to "Save file?" saves: to the remembered name when there is one (else through
    // the save dialog), or always through the save dialog.
    enum class SaveRoute { InPlace, ThroughDialog };
    // Before an open replaces the text: opens the file in `file` (the open the read then uses);
    // a file that exists but cannot be read is reported and changes nothing (false); when the
    // text is modified, "Save file?" is asked, and a save that is cancelled or fails stops the
    // open (false). A save that went ahead may have replaced the file: it is opened again.
    bool readyToReplaceText(const QString& fileName, doc::OpenFile& file,
                            SaveRoute route = SaveRoute::InPlace);
    // Shows how much of a file has been read (percent) beside the wait label; -1 hides it.
    void showReadProgress(int percent);
    // A file is being read. The read hands the event loop round now and then to paint its
    // progress; reads never nest: while one runs, the commands that read or replace the text do
    // nothing, and a notice of a change on disk or a request to close waits until it is over.
    bool readInProgress() const;
    // The progress shown while a file is read, and what runs once a read is over.
    text::LoadProgress readProgress();
    void readEnded();
    // Before the text replaces RememberedFileName: when the file changed or went since it was
    // read or saved, asks whether to replace it. True to go on.
    bool overwriteConfirmed(const QString& fileName);
    // The message for a file that changed on disk, with the offer to reload it.
    void fileChangedOnDisk();
    // Reads the changed file again: in the reading chosen with "reopen as" when there was one,
    // else as the open command reads it.
    void reloadChangedFile(const QString& fileName);
    // The text now equals the file just written: it becomes the remembered and watched file.
    void textSavedTo(const QString& fileName);

    // Made before the windows and gone after them: the view shows its buffer.
    std::unique_ptr<doc::Document> m_document;
    QStringList m_arguments;
    QLabel* m_readProgress = nullptr;
    QFileDialog* m_openDialog = nullptr;
    QFileDialog* m_saveDialog1 = nullptr;
    QFileDialog* m_saveDialog2 = nullptr;
    QFontDialog* m_fontDialog = nullptr;
    bool m_lastSaveWrote = false;
    bool m_askingAboutDisk = false;
    DiskWatch* m_diskWatch = nullptr;
    SpellMarks* m_spell = nullptr;
    QList<QAction*> m_spellItems;
    // The font's character-set number as stored in fontedit.dat; Qt fonts carry none.
    int m_fontCharSet = 0;
    bool m_fittedToScreen = false;
    // The "reopen as" item of the reading of the last file read (-1 before any).
    int m_lastReading = -1;
    // What came while a file was being read and runs once the read is over.
    bool m_diskNoticeWaiting = false;
    bool m_closeWaiting = false;
    // True while the text is the file as read by a "reopen as" choice (a save ends it).
    bool m_readingChosen = false;
    std::unique_ptr<EditJournal> m_journal;
};
