// Spell checking: the "spell check" item of the edit menu and the spell items that open the
// context menu on a flagged word.
#include "app/memoryguard.h"
#include "shell/spellmarks.h"
#include "shell/unit1.h"
#include "view/memoview.h"

#include <QAction>
#include <QMenu>

void TForm1::buildSpellCheck() {
    m_spell = new SpellMarks(*Memo1, this);
    spellcheck1 = new QAction(QStringLiteral("spell check"), edit1);
    spellcheck1->setObjectName(QStringLiteral("spellcheck1"));
    spellcheck1->setCheckable(true);
    spellcheck1->setChecked(m_spell->isOn());
    connect(spellcheck1, &QAction::triggered, this, [this] {
        // The menu has flipped the mark already; the handler is the one that flips it.
        spellcheck1->setChecked(!spellcheck1->isChecked());
        spellcheck1Click();
    });
    edit1->addSeparator();
    edit1->addAction(spellcheck1);
}

void TForm1::spellcheck1Click() {
    const bool on = !m_spell->isOn();
    m_spell->setOn(on);
    spellcheck1->setChecked(on);
}

void TForm1::showSpellItems(const QPoint& viewportPos) {
    for (QAction* item : std::as_const(m_spellItems)) {
        PopupMenu1->removeAction(item);
        item->deleteLater();
    }
    m_spellItems.clear();
    const std::optional<SpellMarks::Word> word =
        m_spell->flaggedWordAt(Memo1->positionAt(viewportPos));
    if (!word)
        return;
    QAction* before = PopupMenu1->actions().value(0);
    auto add = [&](const QString& caption, auto&& run) {
        auto* item = new QAction(caption, PopupMenu1);
        connect(item, &QAction::triggered, this, [run] { app::guardMemory(run); });
        PopupMenu1->insertAction(before, item);
        m_spellItems.append(item);
        return item;
    };
    const SpellMarks::Word flagged = *word;
    for (const std::u16string& suggestion : m_spell->suggestions(flagged)) {
        const QString caption(reinterpret_cast<const QChar*>(suggestion.data()),
                              qsizetype(suggestion.size()));
        add(caption, [this, flagged, suggestion] { m_spell->replace(flagged, suggestion); });
    }
    if (flagged.verdict == spell::Verdict::Misspelled)
        add(QStringLiteral("add to dictionary"),
            [this, flagged] { m_spell->addToDictionary(flagged); });
    add(QStringLiteral("ignore"), [this, flagged] { m_spell->ignore(flagged); });
    QAction* separator = new QAction(PopupMenu1);
    separator->setSeparator(true);
    PopupMenu1->insertAction(before, separator);
    m_spellItems.append(separator);
}
