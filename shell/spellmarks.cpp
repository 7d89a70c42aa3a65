#include "shell/spellmarks.h"

#include "app/appstate.h"
#include "shell/settings.h"
#include "spell/words.h"
#include "view/memoview.h"

#include <QByteArray>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

namespace {

// A line longer than this is checked in pieces around the part in sight.
constexpr text::Pos kWholeLineUnits = 8192;
// Units checked beyond each side of the part in sight of such a line.
constexpr text::Pos kPieceSlack = 256;
// Units looked at each side of a clicked position to find its word.
constexpr text::Pos kWordReach = 256;
// The word list file is damaged beyond this size; what lies beyond is not read.
constexpr qint64 kMaxWordsFileBytes = 8 * 1024 * 1024;

using Loaded = std::shared_ptr<spell::Dictionaries>;

// The dictionaries are loaded once per process, on a worker thread, and shared by every editor
// of the process; the future waits for the thread when the program ends.
std::shared_future<Loaded>& dictionariesFuture() {
    static std::shared_future<Loaded> future = [] {
        // A portable installation brings its dictionaries beside the program.
        const QString own = app::state().ProgramDir + QStringLiteral("dictionaries");
        std::vector<std::string> folders{own.toLocal8Bit().toStdString(), "/usr/share/hunspell",
                                         "/usr/local/share/hunspell", "/usr/share/myspell",
                                         "/usr/share/myspell/dicts"};
        return std::async(std::launch::async,
                          [folders] { return Loaded(spell::Dictionaries::load(folders)); })
            .share();
    }();
    return future;
}

// The loaded dictionaries, or null while they are loading or when none was found.
spell::Dictionaries* loadedDictionaries(std::chrono::milliseconds wait) {
    std::shared_future<Loaded>& future = dictionariesFuture();
    if (future.wait_for(wait) != std::future_status::ready)
        return nullptr;
    spell::Dictionaries* dictionaries = future.get().get();
    return dictionaries && dictionaries->hasAny() ? dictionaries : nullptr;
}

QString toQString(const std::u16string& units) {
    return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
}

} // namespace

SpellMarks::SpellMarks(MemoView& view, QObject* parent)
    : QObject(parent), m_view(view), m_viewAlive(&view) {
    if (const std::optional<QByteArray> text = settings::readFile(kSwitchFileName, 64))
        m_on = text->isEmpty() || settings::lineToInt(*text) != 0;
    if (const std::optional<QByteArray> text =
            settings::readFile(kWordsFileName, kMaxWordsFileBytes)) {
        for (const std::u16string& word :
             spell::parseWordList(std::string_view(text->constData(), std::size_t(text->size()))))
            m_checker.addOwnWord(word);
    }
    dictionariesFuture();
    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    m_idle->setInterval(kIdleMs);
    connect(m_idle, &QTimer::timeout, this, &SpellMarks::idle);
    connect(&m_view, &MemoView::textChanged, this, &SpellMarks::textChanged);
    m_view.markerSource = [this](text::Pos first, text::Pos last,
                                 std::vector<MemoView::Marker>& out) {
        if (!m_on)
            return;
        if (!m_checker.hasDictionaries()) {
            // The first paint asks for the dictionaries to be looked at once they are loaded.
            if (!m_noDictionaries && !m_idle->isActive())
                m_idle->start();
            return;
        }
        bool unchecked = false;
        forLinesInSight(first, last, [&](const LineInSight& line) {
            if (!line.result) {
                unchecked = true;
                return;
            }
            const std::vector<spell::Flagged>& words = line.result->words;
            auto word = std::lower_bound(
                words.begin(), words.end(), line.from,
                [](const spell::Flagged& w, text::Pos from) { return w.start + w.length < from; });
            for (; word != words.end() && word->start <= line.to; ++word) {
                const QColor& color = word->verdict == spell::Verdict::MisplacedStress
                                          ? kStressColor
                                          : kMisspelledColor;
                out.push_back(
                    {line.start + word->start, line.start + word->start + word->length, color});
            }
        });
        if (unchecked && !m_idle->isActive())
            m_idle->start();
    };
}

SpellMarks::~SpellMarks() {
    // The editor may have gone first, with the window's other children.
    if (m_viewAlive)
        m_view.markerSource = nullptr;
}

template <class F>
void SpellMarks::forLinesInSight(text::Pos first, text::Pos last, F&& visit) const {
    const text::TextBuffer& buffer = m_view.buffer();
    const text::Pos lastLine = buffer.lineOf(last);
    for (text::Pos line = buffer.lineOf(first); line <= lastLine; ++line) {
        LineInSight at;
        at.line = line;
        at.start = buffer.lineStart(line);
        at.from = std::max(first, at.start) - at.start;
        at.to = std::min(last, buffer.lineEnd(line)) - at.start;
        const spell::LineResult* result = m_lines.find(line);
        if (result && result->from <= at.from && result->to >= at.to)
            at.result = result;
        visit(at);
    }
}

void SpellMarks::setOn(bool on) {
    m_on = on;
    settings::writeFile(kSwitchFileName, on ? QByteArray("1\n") : QByteArray("0\n"));
    forgetResults();
}

void SpellMarks::forgetResults() {
    m_lines.clear();
    m_view.viewport()->update();
    if (m_on)
        m_idle->start();
}

void SpellMarks::textChanged(const text::Change& change) {
    m_lines.applyChange(change);
    if (m_on)
        m_idle->start();
}

void SpellMarks::idle() {
    if (m_on && !checkLinesInSight())
        m_idle->start(); // still loading: look again after another pause
}

bool SpellMarks::waitForDictionaries(int ms) {
    return loadedDictionaries(std::chrono::milliseconds(ms)) != nullptr;
}

bool SpellMarks::takeDictionaries() {
    if (m_checker.hasDictionaries() || m_noDictionaries)
        return true;
    if (dictionariesFuture().wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return false;
    if (spell::Dictionaries* dictionaries = loadedDictionaries(std::chrono::milliseconds(0)))
        m_checker.setDictionaries(dictionaries);
    else
        m_noDictionaries = true; // none installed: nothing is ever underlined
    return true;
}

bool SpellMarks::checkLinesInSight() {
    if (!takeDictionaries())
        return false;
    if (m_noDictionaries)
        return true;
    const text::TextBuffer& buffer = m_view.buffer();
    bool checked = false;
    for (const auto& [first, last] : m_view.visibleRanges())
        forLinesInSight(first, last, [&](const LineInSight& line) {
            if (line.result)
                return;
            const text::Pos length = buffer.lineEnd(line.line) - line.start;
            text::Pos from = 0;
            text::Pos to = length;
            if (length > kWholeLineUnits) {
                from = std::max<text::Pos>(0, line.from - kPieceSlack);
                to = std::min(length, line.to + kPieceSlack);
            }
            const std::u16string units = buffer.text(line.start + from, to - from);
            m_lines.store(line.line,
                          spell::checkPiece(m_checker, units, from, from == 0, to == length));
            checked = true;
        });
    if (checked)
        m_view.viewport()->update();
    return true;
}

std::optional<SpellMarks::Word> SpellMarks::flaggedWordAt(text::Pos pos) {
    if (!m_on || !takeDictionaries() || m_noDictionaries)
        return std::nullopt;
    const text::TextBuffer& buffer = m_view.buffer();
    const text::Pos line = buffer.lineOf(pos);
    const text::Pos lineStart = buffer.lineStart(line);
    const text::Pos lineEnd = buffer.lineEnd(line);
    const text::Pos from = std::max(lineStart, pos - kWordReach);
    const text::Pos to = std::min(lineEnd, pos + kWordReach);
    const std::u16string units = buffer.text(from, to - from);
    for (const spell::WordSpan& span : spell::findWords(units)) {
        const text::Pos start = from + text::Pos(span.start);
        const text::Pos end = start + text::Pos(span.length);
        if (pos < start || pos > end)
            continue;
        Word word{start, end - start, units.substr(span.start, span.length),
                  spell::Verdict::Correct};
        word.verdict = m_checker.check(word.text);
        if (word.verdict == spell::Verdict::Correct)
            return std::nullopt;
        return word;
    }
    return std::nullopt;
}

std::vector<std::u16string> SpellMarks::suggestions(const Word& word) {
    return m_checker.suggest(word.text, 5);
}

void SpellMarks::replace(const Word& word, const std::u16string& replacement) {
    // The text may have changed since the word was found; then nothing is replaced.
    if (m_view.buffer().text(word.start, word.length) != word.text)
        return;
    const MemoView::EditGroup group(m_view);
    m_view.setCaret(word.start + word.length, word.start);
    m_view.setSelText(toQString(replacement));
    m_view.setSelStart(word.start + text::Pos(replacement.size()));
}

bool SpellMarks::addToDictionary(const Word& word) {
    m_checker.addOwnWord(word.text);
    const std::string text = spell::formatWordList(m_checker.ownWords());
    const bool written =
        settings::writeFile(kWordsFileName, QByteArray(text.data(), qsizetype(text.size())));
    forgetResults();
    return written;
}

void SpellMarks::ignore(const Word& word) {
    m_checker.ignore(word.text);
    forgetResults();
}
