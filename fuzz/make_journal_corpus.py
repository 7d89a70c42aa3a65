#!/usr/bin/env python3
"""Writes the starting corpus of fuzz_journal into fuzz/corpus/journal/.

Run from the repository root:  python3 fuzz/make_journal_corpus.py
An input is one byte of mode: odd for a script of edits written as a journal, then cut and
changed at one byte (two bytes of cut point, two of the changed byte's place, one of the bits
changed, then origin bytes and edits: position, kind, length, units); even for bytes read as a
journal file (see fuzz/fuzz_journal.cpp).
"""
import pathlib
import struct

NO_CUT = b"\xff\xff"


def script(cut=NO_CUT, flip=b"\x00\x00", bits=0, from_file=1, edits=b""):
    return b"\x01" + cut + flip + bytes([bits, from_file, 7, 3]) + edits


def typing(n):
    """n typed letters at the end, each a record of its own."""
    return b"".join(bytes([i, 2, 1, i % 8]) for i in range(n))


def inputs():
    out = {}
    out["intact_typing"] = script(edits=typing(20))
    out["new_text_with_removals"] = script(from_file=0, edits=typing(8) + bytes([2, 1, 3]) * 3)
    out["cut_in_last_record"] = script(cut=struct.pack("<H", 150), edits=typing(12))
    out["cut_in_header"] = script(cut=struct.pack("<H", 20), edits=typing(4))
    out["changed_byte_in_record"] = script(flip=struct.pack("<H", 130), bits=0x10, edits=typing(10))
    out["changed_byte_in_header"] = script(flip=struct.pack("<H", 30), bits=0x01, edits=typing(3))
    out["long_inserts"] = script(edits=bytes([0, 4, 0, 5, 1, 4, 9, 0]))
    header = b"toviloeditru journal\n" + struct.pack("<IQBi", 1, 99, 1, 3) + bytes(40)
    out["raw_header_bad_sum"] = b"\x00" + header + struct.pack("<I", 5) + b"a.txt" + bytes(8)
    out["raw_huge_name_length"] = b"\x00" + header + struct.pack("<I", 0xFFFFFFFF)
    out["raw_not_a_journal"] = b"\x00" + b"toviloeditru in-place copy\n1\n2\nx\x00ab"
    return out


def main():
    folder = pathlib.Path("fuzz/corpus/journal")
    folder.mkdir(parents=True, exist_ok=True)
    for name, data in inputs().items():
        (folder / name).write_bytes(data)


if __name__ == "__main__":
    main()
