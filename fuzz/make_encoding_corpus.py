#!/usr/bin/env python3
"""Writes the small starting corpus of fuzz_encoding into fuzz/corpus/encoding/.

Run from the repository root:  python3 fuzz/make_encoding_corpus.py
Standard library only; the files are committed, the build never runs this script.
"""

import os
import shutil

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "encoding")

JAPANESE = "日本語のテキスト、カタカナ｡ｱｲｳ、記号～＼－"
RUSSIAN = "Съешь же ещё этих мягких французских булок"


def files():
    yield "empty", b""
    yield "one_byte", b"A"
    yield "ascii_crlf", b"plain text\r\nsecond line\r\n"
    yield "line_ends", b"cr\rlf\ncrlf\r\nnul\x00sub\x1acr_sub\r\x1aend"
    yield "trailing_cr", b"a\n\r"
    yield "sjis", (JAPANESE + "\r\n" + RUSSIAN + "\r\n").encode("cp932")
    yield "sjis_bad", b"\x82\xa0\x81\n\x80\xa0\xfd\xfe\xff\x85\x40\xf0\x40\x82\x7f"
    yield "euc", (JAPANESE.replace("～", "〜").replace("＼", "").replace("－", "")
                  + "\n" + RUSSIAN + "\n").encode("euc_jp")
    yield "euc_odd", b"\xa4\xa2\x8e\xb1\xa1\xb1\xa1\xbd\xa1\xef\xa2\xaf\xb0\xa0\x8f\xb0\xa1\xa4"
    yield "utf8", (JAPANESE + "\n" + RUSSIAN + "\n").encode("utf-8")
    yield "utf8_bom", b"\xef\xbb\xbf" + RUSSIAN.encode("utf-8")
    yield "utf8_emoji", "😀 эмодзи 🍣\r\n𐀀\U0010ffff".encode("utf-8")
    yield "utf8_cut", b"ok\xe3\x81\r\n\xf0\x9f\x98\r\n\xd0"
    yield "utf8_bad", b"\xf4\x90\x80\x80\xf0\x80\x80\x80\xc0\x80\xed\xa0\xbd\xff"
    for name, text in (("ja", JAPANESE), ("ru", RUSSIAN + "\r\n" + RUSSIAN)):
        yield f"utf16le_bom_{name}", b"\xff\xfe" + text.encode("utf-16-le")
        yield f"utf16be_bom_{name}", b"\xfe\xff" + text.encode("utf-16-be")
        yield f"utf16le_{name}", text.encode("utf-16-le")
        yield f"utf16be_{name}", text.encode("utf-16-be")
    yield "utf16le_ascii", "ab\r\ncd\rx\ny".encode("utf-16-le")
    yield "utf16be_ascii", "ab\r\ncd\rx\ny".encode("utf-16-be")
    yield "utf16_mixed_order_ends", b"a\x00\x00\r\x00\nb\x00\x1a\x00c\x00\x00\x1a"
    yield "utf16_odd", b"\xff\xfea\x00\r\x00x"
    yield "utf16be_ichi", b"\xfe\xff\x4e\x00\x4e\x00\x00\r\x00\n"
    yield "bom_only_ef_bb", b"\xef\xbb"
    yield "guess_sub", b"A\x00\x1a\x00"
    for codec in ("cp1251", "koi8_r", "cp866"):
        yield codec, (RUSSIAN + "\r\nЁё\n").encode(codec)
    yield "cp1251_all_high", bytes(range(0x80, 0x100)) + b"\r\n\xff\xfe"


def main():
    shutil.rmtree(OUT, ignore_errors=True)
    os.makedirs(OUT)
    for name, data in files():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
