// The recovery window, and the main window's recovery of a text left by a killed editor.
#include "shell/recoverywindow.h"

#include "app/appstate.h"
#include "app/modal.h"
#include "document/document.h"
#include "encoding/detect.h"
#include "encoding/platform.h"
#include "shell/diskwatch.h"
#include "shell/localname.h"
#include "shell/recoveryjournal.h"
#include "shell/statusbar.h"
#include "shell/unit1.h"
#include "text/textbuffer.h"
#include "view/memoview.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

constexpr int kIndexRole = Qt::UserRole;

} // namespace

QStringList TRecoveryForm::rowTexts(const recovery::Leftover& leftover) {
    using recovery::Leftover;
    const QString name = leftover.fileName.empty() ? QStringLiteral("new text")
                                                   : displayName(fromLocalName(leftover.fileName));
    const QString when = QDateTime::fromMSecsSinceEpoch(leftover.lastEditNs / 1000000)
                             .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
    QString change;
    if (leftover.kind == Leftover::Kind::Copy) {
        change = QStringLiteral("the file as it was before a save that was cut short (%1 bytes)")
                     .arg(leftover.inserted);
    } else {
        change = QStringLiteral("%1 edits: %2 characters typed or pasted, %3 removed")
                     .arg(leftover.edits)
                     .arg(leftover.inserted)
                     .arg(leftover.removed);
        if (leftover.base == Leftover::Base::Changed)
            change += QStringLiteral("; the file has changed since, nothing can be recovered");
        else if (leftover.base == Leftover::Base::Copy)
            change += QStringLiteral("; the file was being saved, its copy is used");
    }
    return {name, when, change};
}

TRecoveryForm::TRecoveryForm(std::vector<recovery::Leftover>& leftovers, QWidget* parent)
    : QDialog(parent), m_leftovers(leftovers) {
    setObjectName(QStringLiteral("recoveryform"));
    setWindowTitle(QStringLiteral("Recover texts"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("The editor ended without saving these texts. Recover one of them?"), this));
    List = new QTreeWidget(this);
    List->setObjectName(QStringLiteral("List"));
    List->setHeaderLabels(
        {QStringLiteral("text"), QStringLiteral("last edit"), QStringLiteral("change")});
    List->setRootIsDecorated(false);
    List->setSelectionMode(QAbstractItemView::SingleSelection);
    for (std::size_t i = 0; i < m_leftovers.size(); ++i) {
        auto* item = new QTreeWidgetItem(List, rowTexts(m_leftovers[i]));
        item->setData(0, kIndexRole, int(i));
        item->setToolTip(2, item->text(2));
    }
    List->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(List);
    m_note = new QLabel(this);
    m_note->setWordWrap(true);
    layout->addWidget(m_note);

    auto* buttons = new QDialogButtonBox(this);
    RecoverButton = buttons->addButton(QStringLiteral("Recover"), QDialogButtonBox::AcceptRole);
    DiscardButton =
        buttons->addButton(QStringLiteral("Discard"), QDialogButtonBox::DestructiveRole);
    LaterButton = buttons->addButton(QStringLiteral("Later"), QDialogButtonBox::RejectRole);
    RecoverButton->setObjectName(QStringLiteral("RecoverButton"));
    DiscardButton->setObjectName(QStringLiteral("DiscardButton"));
    LaterButton->setObjectName(QStringLiteral("LaterButton"));
    RecoverButton->setDefault(true);
    DiscardButton->setAutoDefault(false);
    LaterButton->setAutoDefault(false);
    layout->addWidget(buttons);
    connect(RecoverButton, &QPushButton::clicked, this, &TRecoveryForm::recoverClick);
    connect(DiscardButton, &QPushButton::clicked, this, &TRecoveryForm::discardClick);
    connect(LaterButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(List, &QTreeWidget::itemSelectionChanged, this, &TRecoveryForm::selectionChanged);
    connect(List, &QTreeWidget::itemActivated, this, &TRecoveryForm::recoverClick);
    if (List->topLevelItemCount() > 0)
        List->setCurrentItem(List->topLevelItem(0));
    selectionChanged();
    resize(720, 260);
}

int TRecoveryForm::selectedLeftover() const {
    const QTreeWidgetItem* item = List->currentItem();
    return item ? item->data(0, kIndexRole).toInt() : -1;
}

void TRecoveryForm::selectionChanged() {
    const int index = selectedLeftover();
    const bool changed =
        index >= 0 && m_leftovers[std::size_t(index)].base == recovery::Leftover::Base::Changed;
    RecoverButton->setEnabled(index >= 0 && !changed);
    DiscardButton->setEnabled(index >= 0);
    m_note->setText(changed ? QStringLiteral("The file has changed since the text was read: "
                                             "the edits cannot be put back onto other bytes.")
                            : QString());
}

void TRecoveryForm::recoverClick() {
    const int index = selectedLeftover();
    if (index < 0 || !RecoverButton->isEnabled())
        return;
    m_chosen = std::size_t(index);
    accept();
}

void TRecoveryForm::discardClick() {
    const int index = selectedLeftover();
    if (index < 0)
        return;
    recovery::Discard(m_leftovers[std::size_t(index)]);
    delete List->currentItem();
    if (List->topLevelItemCount() == 0) {
        reject();
        return;
    }
    List->setCurrentItem(List->topLevelItem(0));
    selectionChanged();
}

// ---- The main window's side

std::optional<QString> TForm1::offerRecovery() {
    std::vector<recovery::Leftover> leftovers =
        recovery::FindLeftovers(enc::platform::StateFolder());
    if (leftovers.empty())
        return std::nullopt;
    TRecoveryForm window(leftovers, this);
    if (modal::run(window) != QDialog::Accepted)
        return std::nullopt;
    recovery::Leftover& chosen = leftovers[window.chosen()];
    const QString fileName = fromLocalName(chosen.fileName);
    text::TextBuilder base;
    if (const enc::FileResult why = recovery::LoadBase(chosen, base); !why) {
        ShowFileError(fileName, why);
        return std::nullopt;
    }
    // The journal follows the recovered text from here on, not the replay that rebuilds it.
    m_journal->detach();
    text::TextBuffer& buffer = journaledBuffer();
    buffer.assign(std::move(base));
    const bool journal = chosen.kind == recovery::Leftover::Kind::Journal;
    if (journal)
        recovery::ReplayOnto(chosen.journal, buffer);
    memoTarget().setSelection(0, 0);
    // The recovered text is the file's, unsaved: the user decides whether to save it.
    doc::FileInfo file;
    file.name = chosen.fileName;
    if (chosen.base == recovery::Leftover::Base::File) {
        // The text stands on the file as it was read: its stamp and reading are the file's.
        const recovery::Origin& origin = chosen.journal.journal.origin;
        file.reading = {enc::TextEncoding(origin.encoding), enc::BomNone};
        file.stamp = enc::StampOf(chosen.fileName);
        file.checksum = origin.checksum;
    }
    m_document->setFile(file);
    app::state().TextModified = 1;
    m_diskWatch->follow();
    StatusBar1->setPanelText(TStatusBar::FilePanel,
                             QStringLiteral("recovered  ") +
                                 (fileName.isEmpty() ? QStringLiteral("new text") : fileName));
    const std::string copy = chosen.copy ? chosen.copy->path : std::string();
    if (journal)
        m_journal->adopt(chosen.journal, copy);
    else
        m_journal->textUnknown(copy);
    m_journal->attach(journaledBuffer());
    return fileName;
}
