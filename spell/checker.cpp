#include "spell/checker.h"

#include "spell/words.h"

#include <QFileInfo>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <algorithm>
#include <hunspell/hunspell.hxx>

namespace spell {

namespace {

// Entries the memory of checked words holds before it starts afresh.
constexpr std::size_t kMaxKnownWords = 200000;

QString toQString(std::u16string_view units) {
    return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
}

std::u16string toUnits(const QString& text) {
    return std::u16string(reinterpret_cast<const char16_t*>(text.constData()),
                          std::size_t(text.size()));
}

bool hasCyrillic(std::u16string_view word) {
    return std::any_of(word.begin(), word.end(), isCyrillicLetter);
}

} // namespace

// One Hunspell dictionary and the encoding its words are given in.
struct Dictionaries::Language {
    std::unique_ptr<Hunspell> hunspell;
    bool utf8 = true;
    QByteArray encodingName;

    std::string encode(std::u16string_view word) const {
        const QString text = toQString(word);
        if (utf8)
            return text.toStdString();
        QStringEncoder encoder(encodingName.constData(), QStringConverter::Flag::Stateless);
        const QByteArray bytes = encoder.encode(text);
        return encoder.hasError() ? std::string() : bytes.toStdString();
    }
    std::u16string decode(const std::string& bytes) const {
        if (utf8)
            return toUnits(QString::fromStdString(bytes));
        QStringDecoder decoder(encodingName.constData(), QStringConverter::Flag::Stateless);
        return toUnits(decoder.decode(QByteArrayView(bytes.data(), qsizetype(bytes.size()))));
    }
};

Dictionaries::Dictionaries() = default;
Dictionaries::~Dictionaries() = default;

std::unique_ptr<Dictionaries> Dictionaries::load(const std::vector<std::string>& folders) {
    std::unique_ptr<Dictionaries> loaded(new Dictionaries);
    auto find = [&](const char* name) -> std::unique_ptr<Language> {
        for (const std::string& folder : folders) {
            const std::string aff = folder + '/' + name + ".aff";
            const std::string dic = folder + '/' + name + ".dic";
            if (!QFileInfo(QString::fromLocal8Bit(aff)).isFile() ||
                !QFileInfo(QString::fromLocal8Bit(dic)).isFile())
                continue;
            auto language = std::make_unique<Language>();
            language->hunspell = std::make_unique<Hunspell>(aff.c_str(), dic.c_str());
            const std::string encoding = language->hunspell->get_dict_encoding();
            language->encodingName = QByteArray::fromStdString(encoding);
            language->utf8 = QByteArray::fromStdString(encoding).toUpper() == "UTF-8";
            // An encoding that Qt cannot convert makes the dictionary useless.
            if (!language->utf8 && !QStringEncoder(language->encodingName.constData()).isValid())
                return nullptr;
            return language;
        }
        return nullptr;
    };
    loaded->m_russian = find("ru_RU");
    loaded->m_english = find("en_US");
    return loaded;
}

Dictionaries::Language* Dictionaries::languageOf(std::u16string_view word) {
    return hasCyrillic(word) ? m_russian.get() : m_english.get();
}

bool Dictionaries::spell(std::u16string_view word) {
    Language* language = languageOf(word);
    if (!language)
        return true;
    const std::string bytes = language->encode(word);
    return !bytes.empty() && language->hunspell->spell(bytes);
}

std::vector<std::u16string> Dictionaries::suggest(std::u16string_view word) {
    std::vector<std::u16string> found;
    Language* language = languageOf(word);
    if (!language)
        return found;
    const std::string bytes = language->encode(word);
    if (bytes.empty())
        return found;
    for (const std::string& suggestion : language->hunspell->suggest(bytes))
        found.push_back(language->decode(suggestion));
    return found;
}

// ---- Checker -----------------------------------------------------------------------------------

Checker::Checker(Dictionaries* dictionaries) : m_dictionaries(dictionaries) {}

void Checker::setDictionaries(Dictionaries* dictionaries) {
    m_dictionaries = dictionaries;
    forget();
}

void Checker::forget() {
    m_known.clear();
    ++m_generation;
}

bool Checker::knownPlain(const std::u16string& plain) {
    if (m_own.count(plain) || m_ignoredPlain.count(plain))
        return true;
    return !m_dictionaries || m_dictionaries->spell(plain);
}

Verdict Checker::check(std::u16string_view word) {
    std::u16string written(word);
    if (const auto known = m_known.find(written); known != m_known.end())
        return known->second;
    const Stress stress = readStress(word);
    Verdict verdict = Verdict::Correct;
    if (!knownPlain(stress.plain))
        verdict = Verdict::Misspelled;
    else if (stress.misplaced && !m_ignoredWritten.count(written))
        verdict = Verdict::MisplacedStress;
    if (m_known.size() >= kMaxKnownWords)
        m_known.clear();
    m_known.emplace(std::move(written), verdict);
    return verdict;
}

std::vector<std::u16string> Checker::suggest(std::u16string_view word, std::size_t max) {
    std::vector<std::u16string> found;
    const Verdict verdict = check(word);
    if (verdict == Verdict::Correct)
        return found;
    const Stress stress = readStress(word);
    if (verdict == Verdict::MisplacedStress) {
        found.push_back(withoutMisplacedMarks(stress));
        return found;
    }
    if (!m_dictionaries)
        return found;
    for (const std::u16string& suggestion : m_dictionaries->suggest(stress.plain)) {
        std::u16string stressed = withStress(suggestion, stress);
        if (std::find(found.begin(), found.end(), stressed) == found.end())
            found.push_back(std::move(stressed));
        if (found.size() >= max)
            break;
    }
    return found;
}

bool Checker::addOwnWord(std::u16string_view word) {
    const std::u16string plain = readStress(word).plain;
    const bool unfit = std::any_of(plain.begin(), plain.end(), [](char16_t unit) {
        return unit == u'\n' || unit == u'\r' || unit == u' ' || unit == u'\t';
    });
    if (plain.empty() || unfit)
        return false;
    if (std::find(m_ownList.begin(), m_ownList.end(), plain) == m_ownList.end())
        m_ownList.push_back(plain);
    const QString text = toQString(plain);
    m_own.insert(plain);
    m_own.insert(toUnits(text.left(1).toUpper() + text.mid(1)));
    m_own.insert(toUnits(text.toUpper()));
    forget();
    return true;
}

void Checker::ignore(std::u16string_view word) {
    const Verdict verdict = check(word);
    if (verdict == Verdict::Misspelled)
        m_ignoredPlain.insert(readStress(word).plain);
    else if (verdict == Verdict::MisplacedStress)
        m_ignoredWritten.insert(std::u16string(word));
    forget();
}

// ---- The word list file ------------------------------------------------------------------------

std::vector<std::u16string> parseWordList(std::string_view text) {
    std::vector<std::u16string> words;
    std::unordered_set<std::u16string> seen;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const QString word = QString::fromUtf8(line.data(), qsizetype(line.size()));
        if (word.isEmpty() || word.contains(u' ') || word.contains(u'\t') || word.contains(u'\r'))
            continue;
        std::u16string units = toUnits(word);
        if (seen.insert(units).second)
            words.push_back(std::move(units));
    }
    return words;
}

std::string formatWordList(const std::vector<std::u16string>& words) {
    std::string text;
    for (const std::u16string& word : words) {
        text += toQString(word).toStdString();
        text += '\n';
    }
    return text;
}

} // namespace spell
