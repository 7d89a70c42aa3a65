#!/usr/bin/env python3
"""Writes tools/kanjihangultable.h, the Kanji-to-Hangul conversion table.

Run from the repository root:

    python3 tools/gen_kanjihangul.py

The readings come from the Unihan database as Debian's unicode-data package installs it
(/usr/share/unicode/Unihan_*.txt.bz2); pass --unihan DIR to read it from elsewhere and
--output FILE to write another file. Standard library only. The build never runs this script.

Which characters the table holds (exactly TABLE_SIZE records), in this order:

 1. Every Japanese common-use kanji (kJoyoKanji 2010) between U+4E00 and U+9F62, together with
    the everyday stand-ins the common-use list names for its few rare official forms (剥, 叱,
    填, 頬). A kanji for which no Sino-Korean reading can be found (a Japanese-made character
    such as 枠) is left out: it has nothing to be converted to.
 2. Every key of TWO_READINGS and ONE_READING below (the characters with two readings and a
    few others whose readings are fixed), whether or not step 1 took it.
 3. Traditional forms of the common-use kanji: the old forms the name-use list pairs with a
    common-use kanji (kJinmeiyoKanji "2010:U+...") and the traditional forms a common-use kanji
    borrowed its reading from. They are taken most frequent first (Unihan kFrequency 1 to 5,
    a form without a frequency counts as 6), equal frequencies in code order, until the table
    is full. The rest of them are left out.
 4. Only if the table is still short: name-use kanji (kJinmeiyoKanji 2010 without a pairing)
    in code order.

Anything above U+9F62 or below U+4E00 is never taken, and every character taken needs a
reading. The script stops with an error when steps 1 and 2 alone overflow the table or when
the result breaks one of the table's invariants (see check()).

Readings: the table's key characters are Japanese forms, many of which Korean writing does not
use. A character's own kHangul readings are used when Unihan marks one of them as part of the
Korean standard character set (source 0) or the Korean education list (E); otherwise the
reading of its traditional form is used (name-use pairing, OLD_FORMS, then the Unihan variant
links), then its own non-standard kHangul, then its kKorean romanization. Of several readings
the one marked E is taken, else the one with the most sources, else the first listed. The fixed
records override all of this.
"""

import argparse
import bz2
import collections
import os
import sys

TABLE_SIZE = 2192
KEY_FIRST = 0x4E00
KEY_LAST = 0x9F62
HANGUL_FIRST = 0xAC00
HANGUL_LAST = 0xD7A3

# Characters whose readings are fixed: the 125 with a second reading, as kanji, reading1,
# reading2, plus single-reading rows whose readings must not depend on the data. 李 keeps the
# count 1 although it has a second reading.
TWO_READINGS = (
    "不 불/부, 両 량/양, 乱 란/난, 亂 란/난, 了 료/요, 令 령/영, 來 래/내, 例 례/예, "
    "倫 륜/윤, 僚 료/요, 兩 량/양, 六 륙/육, 冷 랭/냉, 凉 량/양, 列 렬/열, 利 리/이, "
    "力 력/역, 劣 렬/열, 励 려/여, 労 로/노, 勞 로/노, 勵 려/여, 匿 닉/익, 卵 란/난, "
    "参 삼/참, 吏 리/이, 塁 루/누, 壘 루/누, 寮 료/요, 尼 니/이, 履 리/이, 年 년/연, "
    "廉 렴/염, 廊 랑/낭, 律 률/율, 復 복/부, 怒 로/노, 恋 련/연, 戀 련/연, 戻 려/여, "
    "拓 척/탁, 数 수/삭, 數 수/삭, 料 료/요, 旅 려/여, 暦 력/역, 更 갱/경, 朗 랑/낭, "
    "李 이/리, 来 래/내, 林 림/임, 柳 류/유, 楼 루/누, 樓 루/누, 欄 란/난, 歴 력/역, "
    "泥 니/이, 流 류/유, 浪 랑/낭, 涙 루/누, 涼 량/양, 滝 롱/농, 漏 루/누, 濫 람/남, "
    "瀧 롱/농, 瀬 뢰/뇌, 炉 로/노, 烈 렬/열, 爐 로/노, 猟 렵/엽, 獵 렵/엽, 率 률/율, "
    "理 리/이, 留 류/유, 略 략/약, 痢 리/이, 療 료/요, 省 생/성, 硫 류/유, 礼 례/예, "
    "禮 례/예, 立 립/입, 竜 룡/용, 粒 립/입, 糧 량/양, 累 루/누, 緑 록/녹, 練 련/연, "
    "羅 라/나, 老 로/노, 聯 련/연, 臨 림/임, 良 량/양, 茶 차/다, 落 락/낙, 虜 로/노, "
    "裂 렬/열, 裏 리/이, 裸 라/나, 論 론/논, 路 로/노, 輪 륜/윤, 連 련/연, 郎 랑/낭, "
    "酪 락/낙, 里 리/이, 量 량/양, 金 김/금, 鈴 령/영, 錬 련/연, 録 록/녹, 陵 릉/능, "
    "陸 륙/육, 隆 륭/융, 隣 린/인, 隷 례/예, 離 리/이, 零 령/영, 雷 뢰/뇌, 霊 령/영, "
    "露 로/노, 靈 령/영, 領 령/영, 類 류/유, 麗 려/여"
)
ONE_READING = "一 일, 国 국, 國 국, 学 학, 學 학, 日 일, 語 어, 齢 령, 厘 리, 頼 뢰, 内 내, 男 남"
COUNT_ONE_DESPITE_TWO = {"李"}

# Japanese new forms whose traditional form Unihan does not link, as new form, old form.
OLD_FORMS = {
    "剤": "劑", "弐": "貳", "挙": "擧", "斎": "齋", "桟": "棧", "渓": "溪", "満": "滿",
    "犠": "犧", "猟": "獵", "粛": "肅", "縄": "繩", "舎": "舍", "舗": "舖", "闘": "鬪",
    "霊": "靈", "髄": "髓", "齢": "齡",
}

# kKorean romanization (Yale) pieces, longest first so that "CH" wins over "C".
YALE_INITIALS = [("KK", 1), ("TT", 4), ("PP", 8), ("SS", 10), ("CC", 13), ("CH", 14),
                 ("KH", 15), ("TH", 16), ("PH", 17), ("K", 0), ("N", 2), ("T", 3),
                 ("L", 5), ("M", 6), ("P", 7), ("S", 9), ("C", 12), ("H", 18)]
YALE_VOWELS = [("YAY", 3), ("YEY", 7), ("WAY", 10), ("WEY", 15), ("AY", 1), ("YA", 2),
               ("EY", 5), ("YE", 6), ("WA", 9), ("OY", 11), ("YO", 12), ("WU", 13),
               ("WE", 14), ("WI", 16), ("YU", 17), ("UY", 19), ("A", 0), ("E", 4),
               ("O", 8), ("U", 18), ("I", 20)]
YALE_FINALS = {"": 0, "K": 1, "N": 4, "T": 7, "L": 8, "M": 16, "P": 17, "S": 19, "NG": 21}


def parse_fixed():
    """Returns {kanji: (count, reading1, reading2)} for the fixed records."""
    fixed = {}
    for item in TWO_READINGS.split(", "):
        kanji, readings = item.split(" ")
        first, second = readings.split("/")
        count = 1 if kanji in COUNT_ONE_DESPITE_TWO else 2
        fixed[ord(kanji)] = (count, ord(first), ord(second))
    if len(fixed) != 125:
        sys.exit("two-reading list has %d entries" % len(fixed))
    for item in ONE_READING.split(", "):
        kanji, reading = item.split(" ")
        fixed[ord(kanji)] = (1, ord(reading), 0)
    return fixed


def load(directory, name):
    """Returns {code point: {field: value}} for one Unihan file."""
    fields = collections.defaultdict(dict)
    path = os.path.join(directory, "Unihan_%s.txt.bz2" % name)
    with bz2.open(path, "rt", encoding="utf-8") as f:
        for line in f:
            if line.startswith("#") or not line.strip():
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            fields[int(code[2:], 16)][field] = value
    return fields


def code_points(value):
    """The code points of a variant field such as "U+5B78 U+6588<kLau"."""
    return [int(item.split("<")[0][2:], 16) for item in value.split()]


def yale_to_hangul(syllable):
    """One kKorean syllable such as "KWEN" as a Hangul syllable code point, or None."""
    initial, rest = 11, syllable  # 11 is the silent ㅇ
    for text, index in YALE_INITIALS:
        if rest.startswith(text):
            initial, rest = index, rest[len(text):]
            break
    for text, index in YALE_VOWELS:
        if rest.startswith(text) and rest[len(text):] in YALE_FINALS:
            return HANGUL_FIRST + (initial * 21 + index) * 28 + YALE_FINALS[rest[len(text):]]
    return None


class Readings:
    def __init__(self, readings, variants, jinmeiyo):
        self.readings = readings
        self.variants = variants
        self.traditional = collections.defaultdict(list)  # new form -> old forms, best first
        for code, value in sorted(jinmeiyo.items()):
            if ":" in value:
                self.traditional[int(value.split(":U+")[1], 16)].append(code)
        for new, old in OLD_FORMS.items():
            self.traditional[ord(new)].append(ord(old))
        for code, fields in sorted(variants.items()):
            for field in ("kTraditionalVariant", "kSemanticVariant", "kZVariant"):
                for other in code_points(fields.get(field, "")):
                    if other != code:
                        self.traditional[code].append(other)
        for code, fields in sorted(variants.items()):
            for field in ("kSimplifiedVariant", "kSemanticVariant", "kZVariant"):
                for other in code_points(fields.get(field, "")):
                    if other != code:
                        self.traditional[other].append(code)

    def hangul(self, code):
        """[(syllable, sources)] of a character's own kHangul field."""
        value = self.readings.get(code, {}).get("kHangul", "")
        return [tuple(item.split(":")) for item in value.split()]

    @staticmethod
    def pick(readings):
        # The education reading wins; else the reading more sources agree on (嵐 람:0N over
        # 남:0, the form with the initial ㄹ over its twin); else the first listed.
        best = max(readings, key=lambda item: ("E" in item[1], len(item[1])))
        return ord(best[0])

    def standard(self, code):
        own = self.hangul(code)
        if any("0" in sources or "E" in sources for _, sources in own):
            return self.pick(own)
        return None

    def reading(self, code):
        """(reading, traditional form it came from or None), or (None, None)."""
        own = self.standard(code)
        if own is not None:
            return own, None
        for old in self.traditional.get(code, []):
            if self.hangul(old):
                return self.pick(self.hangul(old)), old
        if self.hangul(code):
            return self.pick(self.hangul(code)), None
        romanized = self.readings.get(code, {}).get("kKorean", "").split()
        if romanized:
            return yale_to_hangul(romanized[0]), None
        return None, None


def in_range(code):
    return KEY_FIRST <= code <= KEY_LAST


def build(unihan):
    readings = load(unihan, "Readings")
    variants = load(unihan, "Variants")
    mappings = load(unihan, "OtherMappings")
    frequency = load(unihan, "DictionaryLikeData")
    joyo = {c: f["kJoyoKanji"] for c, f in mappings.items() if "kJoyoKanji" in f}
    jinmeiyo = {c: f["kJinmeiyoKanji"] for c, f in mappings.items() if "kJinmeiyoKanji" in f}
    fixed = parse_fixed()
    source = Readings(readings, variants, jinmeiyo)

    reading = {}
    donors = set()
    common = sorted(c for c in joyo if in_range(c))  # the 2010 list and its stand-ins
    for code in common:
        value, donor = source.reading(code)
        if value is not None:
            reading[code] = value
            if donor is not None:
                donors.add(donor)
    keys = set(reading)
    keys.update(fixed)
    if len(keys) > TABLE_SIZE:
        sys.exit("common-use kanji and fixed records alone make %d records" % len(keys))

    def rank(code):
        return (int(frequency.get(code, {}).get("kFrequency", "6")), code)

    old_forms = {c for c, v in jinmeiyo.items() if ":" in v and int(v.split(":U+")[1], 16) in joyo}
    traditional = sorted((c for c in old_forms | donors
                          if in_range(c) and c not in keys and source.hangul(c)), key=rank)
    name_use = sorted(c for c, v in jinmeiyo.items()
                      if ":" not in v and in_range(c) and c not in keys and source.hangul(c))
    for code in traditional + name_use:
        if len(keys) == TABLE_SIZE:
            break
        keys.add(code)
    if len(keys) != TABLE_SIZE:
        sys.exit("only %d records" % len(keys))

    records = []
    for code in sorted(keys):
        if code in fixed:
            records.append((fixed[code][0], code, fixed[code][1], fixed[code][2]))
        else:
            value = reading.get(code)
            if value is None:
                value = source.reading(code)[0]
            records.append((1, code, value, 0))
    check(records, fixed)
    return records


def check(records, fixed):
    """Stops the script when the table breaks one of its invariants."""
    def require(condition, what):
        if not condition:
            sys.exit("table check failed: " + what)

    require(len(records) == TABLE_SIZE, "size")
    require(records[0][1] == KEY_FIRST and records[-1][1] == KEY_LAST, "first or last key")
    for (_, a, _, _), (_, b, _, _) in zip(records, records[1:]):
        require(a < b, "order at U+%04X" % b)
    for count, kanji, first, second in records:
        require(in_range(kanji), "key range U+%04X" % kanji)
        require(HANGUL_FIRST <= first <= HANGUL_LAST, "reading1 of %s" % chr(kanji))
        require(second == 0 or HANGUL_FIRST <= second <= HANGUL_LAST,
                "reading2 of %s" % chr(kanji))
        require(count in (1, 2), "count of %s" % chr(kanji))
        if kanji in fixed:
            require((count, first, second) == fixed[kanji], "fixed record %s" % chr(kanji))
        else:
            require(second == 0, "unexpected reading2 of %s" % chr(kanji))
    require(sum(1 for r in records if r[3]) == 125, "records with a second reading")


def write(records, output):
    syllables = len({r[2] for r in records} | {r[3] for r in records if r[3]})
    lines = [
        "// Generated by tools/gen_kanjihangul.py: run `python3 tools/gen_kanjihangul.py` in the "
        "repo root.",
        "// Do not edit.",
        "#pragma once",
        "",
        "#include \"tools/kanjihangul.h\"",
        "",
        "#include <array>",
        "",
        "namespace kanji {",
        "",
        "// %d records of 8 bytes, sorted by kanji, %d distinct syllables." % (
            len(records), syllables),
        "// {count, kanji, reading1, reading2}  kanji  reading1  reading2",
        "// clang-format off",
        "inline constexpr std::array<KanjiHangulRecord, %d> KanjiHangulTable = {{" % len(records),
    ]
    for count, kanji, first, second in records:
        readings = chr(first) + (" " + chr(second) if second else "")
        lines.append("    {%d, 0x%04X, 0x%04X, 0x%04X}, // %s %s" % (
            count, kanji, first, second, chr(kanji), readings))
    lines += ["}};", "// clang-format on", "", "} // namespace kanji", ""]
    with open(output, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))
    return syllables


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--unihan", default="/usr/share/unicode")
    parser.add_argument("--output", default=os.path.join(here, "kanjihangultable.h"))
    args = parser.parse_args()
    records = build(args.unihan)
    syllables = write(records, args.output)
    print("%d records, %d distinct syllables, %d with a second reading" % (
        len(records), syllables, sum(1 for r in records if r[3])))


if __name__ == "__main__":
    main()
