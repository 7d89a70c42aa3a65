#!/usr/bin/env python3
"""Writes the starting corpus of fuzz_settings into fuzz/corpus/settings/.

Run from the repository root:  python3 fuzz/make_settings_corpus.py
Each input is one selector byte (0: setteiedit.dat text, 1: fontedit.dat record) and the file.
"""
import pathlib
import struct


def font(colour, height, name, pitch, charset):
    field = name + b"\0" * (200 - len(name)) if len(name) < 200 else name[:200]
    return struct.pack("<ii", colour, height) + field + bytes([pitch]) + b"\0\0\0" + struct.pack("<i", charset)


SEEDS = {
    "settings_defaults": b"\0" + b"86\n357\n416\n480\n1\n0\n1\n",
    "settings_crlf": b"\0" + b"10\r\n20\r\n300\r\n400\r\n2\r\n1\r\n0\r\n",
    "settings_no_final_lf": b"\0" + b"1\n2\n3\n4\n0\n1\n1",
    "settings_empty_line_stops": b"\0" + b"5\n\n7\n",
    "settings_signs_spaces": b"\0" + b"  -12\n+7x\n\t99999999999\n-99999999999\n9\n-1\n abc\n",
    "settings_long_line": b"\0" + b"1" * 600 + b"\n2\n",
    "settings_nul": b"\0" + b"12\x0034\n5\n",
    "settings_empty": b"\0",
    "font_courier": b"\1" + font(0x000080, -13, b"Courier New", 2, 204),
    "font_name_fills_field": b"\1" + font(-1, 2000, b"N" * 200, 1, 0x1234),
    "font_short": b"\1" + b"\1\2\3",
    "font_extra_bytes": b"\1" + font(5, 6, b"Arial", 0, 0) + b"tail",
}


def main():
    out = pathlib.Path(__file__).resolve().parent / "corpus" / "settings"
    out.mkdir(parents=True, exist_ok=True)
    for name, data in SEEDS.items():
        (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
