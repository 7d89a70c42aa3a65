#!/usr/bin/env python3
"""Writes the starting corpus of fuzz_ime into fuzz/corpus/ime/.

Run from the repository root:  python3 fuzz/make_ime_corpus.py
Each input follows the input layout described at the top of fuzz/fuzz_ime.cpp: text length,
text units (indexes into kUnits), selection start and length, settings, then pairs of a
selector byte and a key code.
"""
import pathlib

# Same order as kUnits in fuzz_ime.cpp.
UNITS = ["a", "b", "h", "x", " ", "\r", "\n", "\ud800", "\udc00",
         "б", "ъ", "ь", "Б", "Ъ", "Ь", "з", "ж", "З", "Ж", "к", "х", "К", "Х", "с", "ш",
         "щ", "С", "Ш", "Щ", "е", "ё", "э", "и", "й", "ю", "я", "ө", "ү", "Ө", "Ү", "№"]

ROMANIZED, US, ENTRY, CONTROL, MOVE = 1, 2, 4, 8, 16


def entry(text, sel_start, sel_length, settings, keys, selector):
    """keys: a string of key codes typed with the same selector."""
    out = bytearray([len(text)])
    out += bytes(UNITS.index(c) for c in text)
    out += bytes([sel_start, sel_length, settings])
    for k in keys:
        out += bytes([selector, ord(k) if isinstance(k, str) else k])
    return bytes(out)


SEEDS = {
    "romanized_cycles": entry("", 0, 0, 1, "sssiiiiiqqqqqbbbb", ROMANIZED | CONTROL),
    "romanized_digraphs": entry("зкс", 3, 0, 1, "hZhZHs hkh", ROMANIZED | CONTROL),
    "romanized_spaces": entry("a", 1, 0, 0, "a  a b b1 \b\b\b\b", ROMANIZED | CONTROL),
    "romanized_entry_selection": entry("бabx", 1, 3, 0, "bab\bq", ROMANIZED | ENTRY | CONTROL),
    "romanized_high_codes": entry("б\r\n", 1, 0, 3, [0xE2, 0xFF, 128, 8, 32, 0], ROMANIZED),
    "direct_japanese": entry("ab", 0, 2, 1, "qwerty@[`{+:*#;\b", CONTROL),
    "direct_us": entry("\ud800\udc00", 1, 1, 0, "{[}]:\"'<>?,./\b\b", US | CONTROL),
    "mixed_moves": bytes([5, 9, 15, 23, 5, 6, 2, 1, 1,
                          ROMANIZED | MOVE, 4, 0, ord("b"),
                          MOVE | US, 0, 9, ord("]"),
                          ROMANIZED | ENTRY | MOVE | CONTROL, 2, 3, 8,
                          ROMANIZED | CONTROL, ord(" "),
                          ROMANIZED | CONTROL, ord("h")]),
}


def main():
    folder = pathlib.Path(__file__).resolve().parent / "corpus" / "ime"
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS.items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
