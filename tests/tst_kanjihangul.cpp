#include "tools/kanjihangul.h"
#include "tools/kanjihangultable.h"

#include <QString>
#include <QStringList>
#include <QtTest>
#include <map>
#include <utility>

using kanji::ConvertKanjiToHangul;
using kanji::KanjiHangulTable;
using kanji::KanjiToHangul;
using namespace Qt::StringLiterals;

namespace {

// The characters with a second reading, written out independently of the generator.
const char16_t kTwoReadings[] =
    u"不불부 両량양 乱란난 亂란난 了료요 令령영 來래내 例례예 倫륜윤 僚료요 兩량양 六륙육 "
    u"冷랭냉 凉량양 列렬열 利리이 力력역 劣렬열 励려여 労로노 勞로노 勵려여 匿닉익 卵란난 "
    u"参삼참 吏리이 塁루누 壘루누 寮료요 尼니이 履리이 年년연 廉렴염 廊랑낭 律률율 復복부 "
    u"怒로노 恋련연 戀련연 戻려여 拓척탁 数수삭 數수삭 料료요 旅려여 暦력역 更갱경 朗랑낭 "
    u"李이리 来래내 林림임 柳류유 楼루누 樓루누 欄란난 歴력역 泥니이 流류유 浪랑낭 涙루누 "
    u"涼량양 滝롱농 漏루누 濫람남 瀧롱농 瀬뢰뇌 炉로노 烈렬열 爐로노 猟렵엽 獵렵엽 率률율 "
    u"理리이 留류유 略략약 痢리이 療료요 省생성 硫류유 礼례예 禮례예 立립입 竜룡용 粒립입 "
    u"糧량양 累루누 緑록녹 練련연 羅라나 老로노 聯련연 臨림임 良량양 茶차다 落락낙 虜로노 "
    u"裂렬열 裏리이 裸라나 論론논 路로노 輪륜윤 連련연 郎랑낭 酪락낙 里리이 量량양 金김금 "
    u"鈴령영 錬련연 録록녹 陵릉능 陸륙육 隆륭융 隣린인 隷례예 離리이 零령영 雷뢰뇌 霊령영 "
    u"露로노 靈령영 領령영 類류유 麗려여";

std::map<char16_t, std::pair<char16_t, char16_t>> twoReadings() {
    std::map<char16_t, std::pair<char16_t, char16_t>> readings;
    const QStringList items = QString::fromUtf16(kTwoReadings).split(u' ');
    for (const QString& item : items)
        readings[item[0].unicode()] = {item[1].unicode(), item[2].unicode()};
    return readings;
}

const kanji::KanjiHangulRecord* findRecord(char16_t key) {
    for (const auto& record : KanjiHangulTable) {
        if (record.kanji == key)
            return &record;
    }
    return nullptr;
}

bool isHangulSyllable(unsigned unit) {
    return unit >= 0xAC00 && unit <= 0xD7A3;
}

} // namespace

class TestKanjiHangul : public QObject {
    Q_OBJECT

private slots:
    void tableShape();
    void secondReadings();
    void records_data();
    void records();
    void lookupFindsEveryKeyAndNothingBetween();
    void lookup_data();
    void lookup();
    void convert_data();
    void convert();
};

void TestKanjiHangul::tableShape() {
    QCOMPARE(KanjiHangulTable.size(), std::size_t(2192));
    QCOMPARE(KanjiHangulTable.front().kanji, 0x4E00);
    QCOMPARE(KanjiHangulTable.back().kanji, 0x9F62);
    for (std::size_t i = 0; i < KanjiHangulTable.size(); ++i) {
        const auto& record = KanjiHangulTable[i];
        const QByteArray where = QByteArray::number(record.kanji, 16);
        if (i > 0)
            QVERIFY2(KanjiHangulTable[i - 1].kanji < record.kanji, where);
        QVERIFY2(record.kanji >= 0x4E00 && record.kanji <= 0x9F62, where);
        QVERIFY2(isHangulSyllable(record.reading1), where);
        QVERIFY2(record.reading2 == 0 || isHangulSyllable(record.reading2), where);
        QVERIFY2(record.count == 1 || record.count == 2, where);
    }
}

void TestKanjiHangul::secondReadings() {
    const auto expected = twoReadings();
    QCOMPARE(expected.size(), std::size_t(125));
    int withSecond = 0;
    for (const auto& record : KanjiHangulTable) {
        const auto it = expected.find(record.kanji);
        const QByteArray what = QString(QChar(record.kanji)).toUtf8();
        if (it == expected.end()) {
            QVERIFY2(record.reading2 == 0, what);
            QVERIFY2(record.count == 1, what);
            continue;
        }
        ++withSecond;
        QVERIFY2(record.reading1 == it->second.first, what);
        QVERIFY2(record.reading2 == it->second.second, what);
        // 李 keeps the count 1 although it has a second reading.
        QVERIFY2(record.count == (record.kanji == u'李' ? 1 : 2), what);
    }
    QCOMPARE(withSecond, 125);
}

void TestKanjiHangul::records_data() {
    QTest::addColumn<QString>("kanji");
    QTest::addColumn<QString>("reading1");
    QTest::addColumn<QString>("reading2");

    QTest::newRow("一 first record") << u"一"_s << u"일"_s << QString();
    QTest::newRow("不") << u"不"_s << u"불"_s << u"부"_s;
    QTest::newRow("両") << u"両"_s << u"량"_s << u"양"_s;
    QTest::newRow("兩 traditional") << u"兩"_s << u"량"_s << u"양"_s;
    QTest::newRow("国") << u"国"_s << u"국"_s << QString();
    QTest::newRow("國 traditional") << u"國"_s << u"국"_s << QString();
    QTest::newRow("学") << u"学"_s << u"학"_s << QString();
    QTest::newRow("學 traditional") << u"學"_s << u"학"_s << QString();
    QTest::newRow("乱") << u"乱"_s << u"란"_s << u"난"_s;
    QTest::newRow("亂 traditional") << u"亂"_s << u"란"_s << u"난"_s;
    QTest::newRow("年") << u"年"_s << u"년"_s << u"연"_s;
    QTest::newRow("日") << u"日"_s << u"일"_s << QString();
    QTest::newRow("李") << u"李"_s << u"이"_s << u"리"_s;
    QTest::newRow("語") << u"語"_s << u"어"_s << QString();
    QTest::newRow("金") << u"金"_s << u"김"_s << u"금"_s;
    QTest::newRow("厘 ㄹ without second") << u"厘"_s << u"리"_s << QString();
    QTest::newRow("頼 ㄹ without second") << u"頼"_s << u"뢰"_s << QString();
    QTest::newRow("内 ㄴ without second") << u"内"_s << u"내"_s << QString();
    QTest::newRow("男 ㄴ without second") << u"男"_s << u"남"_s << QString();
    QTest::newRow("齢 last record") << u"齢"_s << u"령"_s << QString();
}

void TestKanjiHangul::records() {
    QFETCH(QString, kanji);
    QFETCH(QString, reading1);
    QFETCH(QString, reading2);

    const auto* record = findRecord(kanji[0].unicode());
    QVERIFY(record);
    QCOMPARE(record->reading1, reading1[0].unicode());
    QCOMPARE(record->reading2, reading2.isEmpty() ? 0 : reading2[0].unicode());
}

void TestKanjiHangul::lookupFindsEveryKeyAndNothingBetween() {
    // Every key is found with both types, and every unit between two keys (and around the
    // table's ends) misses, which catches off-by-one slips in the search bounds.
    char16_t previous = 0x4DFF;
    for (const auto& record : KanjiHangulTable) {
        const char16_t key = record.kanji;
        QCOMPARE(KanjiToHangul(key, 1), record.reading1);
        QCOMPARE(KanjiToHangul(key, 2), record.reading2 ? record.reading2 : record.reading1);
        for (char16_t unit = previous + 1; unit < key; ++unit)
            QCOMPARE(KanjiToHangul(unit, 1), unit);
        previous = key;
    }
    for (char16_t unit : {u'\u9F63', u'\u9FFF', u'\uAC00', u'\uFFFF'})
        QCOMPARE(KanjiToHangul(unit, 2), unit);
}

void TestKanjiHangul::lookup_data() {
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("expected");

    QTest::newRow("李 type 1") << int(u'李') << 1 << int(u'이');
    QTest::newRow("李 type 2 despite count 1") << int(u'李') << 2 << int(u'리');
    QTest::newRow("年 type 2") << int(u'年') << 2 << int(u'연');
    QTest::newRow("男 type 2 falls back") << int(u'男') << 2 << int(u'남');
    QTest::newRow("NUL") << 0 << 1 << 0;
    QTest::newRow("Latin A") << int(u'A') << 1 << int(u'A');
    QTest::newRow("hiragana の") << int(u'の') << 2 << int(u'の');
    QTest::newRow("hangul 일 stays") << int(u'일') << 1 << int(u'일');
    QTest::newRow("high surrogate") << 0xD842 << 1 << 0xD842;
    QTest::newRow("low surrogate") << 0xDF9F << 2 << 0xDF9F;
}

void TestKanjiHangul::lookup() {
    QFETCH(int, unit);
    QFETCH(int, type);
    QFETCH(int, expected);

    QCOMPARE(int(KanjiToHangul(char16_t(unit), type)), expected);
}

void TestKanjiHangul::convert_data() {
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("type1");
    QTest::addColumn<QString>("type2");

    QTest::newRow("李金年") << u"李金年"_s << u"이김년"_s << u"리금연"_s;
    QTest::newRow("日本語") << u"日本語"_s << u"일본어"_s << u"일본어"_s;
    QTest::newRow("empty") << QString() << QString() << QString();
    QTest::newRow("Latin, Cyrillic, kana and Kanji")
        << u"Tokyo Москва とうきょう 東京の両国"_s << u"Tokyo Москва とうきょう 동경の량국"_s
        << u"Tokyo Москва とうきょう 동경の양국"_s;
    QTest::newRow("ideographs outside the table") << u"丂乂"_s << u"丂乂"_s << u"丂乂"_s;
    QTest::newRow("CR LF between lines") << u"年\r\n年"_s << u"년\r\n년"_s << u"연\r\n연"_s;
    QTest::newRow("surrogate pair 𠮟 and lone halves")
        << u"𠮟一\xD842x\xDF9F"_s << u"𠮟일\xD842x\xDF9F"_s << u"𠮟일\xD842x\xDF9F"_s;
}

void TestKanjiHangul::convert() {
    QFETCH(QString, input);
    QFETCH(QString, type1);
    QFETCH(QString, type2);

    const std::u16string_view text(reinterpret_cast<const char16_t*>(input.utf16()),
                                   std::size_t(input.size()));
    const std::u16string one = ConvertKanjiToHangul(text, 1);
    const std::u16string two = ConvertKanjiToHangul(text, 2);
    QCOMPARE(qsizetype(one.size()), input.size());
    QCOMPARE(qsizetype(two.size()), input.size());
    QCOMPARE(QString::fromStdU16String(one), type1);
    QCOMPARE(QString::fromStdU16String(two), type2);
}

QTEST_APPLESS_MAIN(TestKanjiHangul)

#include "tst_kanjihangul.moc"
