#!/usr/bin/env python3
"""Writes the starting corpus of fuzz_textbuffer into fuzz/corpus/textbuffer/.

Run from the repository root:  python3 fuzz/make_textbuffer_corpus.py
An input is one byte that picks the leaf size, then steps: a kind byte, its arguments, and
four bytes that pick the range the target reads back (see fuzz/fuzz_textbuffer.cpp).
"""
import pathlib
import struct

# Indexes into the target's alphabet.
A, B, CR, LF, PS, FDD0, NUL, HIGH, LOW, ZHE = 0, 1, 2, 3, 6, 7, 8, 9, 10, 11
INSERT, REMOVE, REPLACE, UNDO, REDO, BEGIN, END, SAVE, CLEAR, ASSIGN = 0, 2, 3, 4, 6, 7, 8, 9, 10, 11
RUN_BEGIN, RUN_END = 240, 241  # a group of a run of like edits (argument: the run), the run's end


def word(n):
    return struct.pack("<H", n & 0xFFFF)


def units(letters):
    """A short run of alphabet letters (at most 11)."""
    assert len(letters) < 12
    return bytes([len(letters)]) + bytes(letters)


def long_units(k):
    """A generated run of (k + 1) * 37 units."""
    return bytes([200 + k]) + bytes(i * 5 % 16 for i in range(12))


def look(pos=0, n=0xFFFF):
    return word(pos) + word(n)


class Script:
    def __init__(self, size_key):
        self.data = bytearray([size_key])

    def step(self, kind, args=b""):
        self.data += bytes([kind]) + args + look(len(self.data) * 7, len(self.data) * 13)
        return self

    def insert(self, pos, run):
        return self.step(INSERT, word(pos + 1) + run)

    def remove(self, pos, n):
        return self.step(REMOVE, word(pos + 1) + (bytes([n]) if n < 9 else b"\xff" + word(n)))

    def replace(self, pos, n, run):
        return self.step(REPLACE, word(pos) + bytes([n]) + run)

    def assign(self, runs, reserve=None):
        args = bytes([1, 1 if reserve is not None else 0])
        if reserve is not None:
            args += bytes([reserve])
        args += bytes([len(runs)]) + b"".join(runs)
        return self.step(ASSIGN, args)


def corpus():
    out = {}
    s = Script(0)
    for i in range(10):
        s.insert(i, units([ZHE] if i % 3 else [CR, LF]))
    for _ in range(12):
        s.step(UNDO)
    for _ in range(12):
        s.step(REDO)
    out["typing_undo_redo"] = s

    s = Script(1)
    s.step(BEGIN).insert(0, units([A, B, CR, LF])).step(BEGIN).insert(2, units([LF])).step(END)
    s.remove(1, 2).step(END).step(UNDO).step(REDO).step(UNDO)
    out["nested_groups"] = s

    s = Script(2)
    s.insert(0, units([A])).step(SAVE).insert(1, units([B])).step(UNDO).step(UNDO)
    s.insert(0, units([ZHE])).step(UNDO).step(REDO).step(SAVE).step(CLEAR)
    out["save_point_walk"] = s

    s = Script(3)
    s.insert(0, long_units(5)).remove(30, 100).replace(7, 11, units([CR, LF, CR, LF]))
    s.remove(0, 2000).step(UNDO).step(UNDO)
    out["long_runs_across_leaves"] = s

    s = Script(4)
    s.assign([units([A, CR, LF, B]), long_units(2), units([HIGH, LOW, NUL, PS, FDD0])], 40)
    s.insert(5, units([LF])).remove(3, 1).step(UNDO).step(CLEAR).step(UNDO)
    out["assign_then_edit"] = s

    s = Script(5)
    s.insert(0, units([A, CR, LF, B])).insert(2, units([A])).remove(2, 1)
    s.insert(3, units([CR])).remove(1, 1).step(UNDO).step(UNDO)
    out["split_and_join_cr_lf"] = s

    s = Script(250)
    s.insert(0, long_units(40)).insert(100, units([ZHE, ZHE])).remove(50, 3000)
    s.step(UNDO).step(UNDO).step(REDO)
    out["default_leaf_size"] = s

    s = Script(7)
    s.step(BEGIN).insert(0, units([A])).step(SAVE).insert(1, units([B])).step(END)
    s.step(UNDO).step(REDO).step(BEGIN).step(UNDO).insert(0, units([LF])).step(END)
    out["save_point_in_group"] = s

    s = Script(8)
    for i in range(4):
        s.step(RUN_BEGIN, bytes([0])).insert(i, units([A])).step(END)
    s.step(RUN_BEGIN, bytes([1])).remove(3, 1).step(END)
    s.step(RUN_BEGIN, bytes([1])).remove(2, 1).step(END).step(SAVE)
    s.step(RUN_BEGIN, bytes([1])).remove(1, 1).step(END).step(RUN_END)
    s.step(RUN_BEGIN, bytes([1])).remove(0, 1).step(END)
    s.step(UNDO).step(UNDO).step(UNDO).step(REDO).step(RUN_BEGIN, bytes([0]))
    s.insert(0, units([B])).step(END).step(UNDO)
    out["typing_runs"] = s
    return out


def main():
    out = pathlib.Path(__file__).resolve().parent / "corpus" / "textbuffer"
    out.mkdir(parents=True, exist_ok=True)
    for name, script in sorted(corpus().items()):
        (out / name).write_bytes(bytes(script.data))


if __name__ == "__main__":
    main()
