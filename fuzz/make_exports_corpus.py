#!/usr/bin/env python3
"""Writes the starting corpus of fuzz_exports into fuzz/corpus/exports/.

Run from the repository root:  python3 fuzz/make_exports_corpus.py
Each input is one chunk-size byte followed by the text as UTF-16LE (see fuzz/fuzz_exports.cpp).
"""
import pathlib

STARTING_CORPUS = {
    "empty": "",
    "ab": "AB",
    "russian_lines": "Привет,\r\nмир!\r\n",
    "japanese": "日本語とロシア語\nｶﾀｶﾅ",
    "final_break": "a\r\n",
    "breaks_only": "\r\n\r\n\n\r",
    "tabs_controls": "a\tb\x01c\x1bd",
    "nul_and_1a": "a\x00b\x1ac",
    "lone_cr": "a\rb",
    "emoji": "x\U0001F600y\U0001F600",
    "lone_surrogates": "\udc00a\ud800",
    "nbsp_ls_ps": "a\u00a0b\u2028c\u2029d\ufdd0e\ufdd1f",
    "bom_first": "\ufeffa",
    "ten_units": "0123456789",
    "long_line": "ж" * 20005 + "\r\nz",
    "break_at_piece_end": "a" * 19999 + "\r\n" + "b" * 10,
}


def main():
    out = pathlib.Path(__file__).resolve().parent / "corpus" / "exports"
    out.mkdir(parents=True, exist_ok=True)
    for i, (name, text) in enumerate(sorted(STARTING_CORPUS.items())):
        data = bytes([i * 37 % 256]) + text.encode("utf-16-le", "surrogatepass")
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
