#!/usr/bin/env python3
"""Writes the table of HTML's named character references for the analysis.

    make_character_references.py OUT

OUT becomes a C++ fragment of rows {"name", "UTF-8 bytes"}, sorted by name
in byte order, for analysis/sources/character_references.cpp to include. A name
ends in ";" unless it is one of the legacy names that HTML also takes
without it ("amp", "nbsp", ...). The names and characters are those of the
HTML standard, as Python's html.entities carries them.
"""

import html.entities
import sys


def c_string(data):
    return '"' + "".join("\\x%02X" % b for b in data) + '"'


def main():
    rows = sorted(html.entities.html5.items(), key=lambda item: item[0].encode("ascii"))
    lines = ["// Written by tools/make_character_references.py; do not edit."]
    for name, text in rows:
        lines.append('{"%s", %s},' % (name, c_string(text.encode("utf-8"))))
    with open(sys.argv[1], "w", encoding="ascii") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
