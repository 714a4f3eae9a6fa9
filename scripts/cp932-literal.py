#!/usr/bin/env python3
"""Prints a C++ string literal holding the code page 932 bytes of each argument.

The tool keeps its Japanese texts as escaped bytes with the readable text in a
comment next to them; this prints both, ready to paste.
"""
import sys


def literal(text: str) -> str:
    out, after_escape = [], False
    for byte in text.encode("cp932"):
        ch = chr(byte)
        plain = 0x20 <= byte < 0x7F and ch not in "\"\\?"
        if plain and not (after_escape and ch in "0123456789abcdefABCDEF"):
            out.append(ch)
            after_escape = False
        else:
            out.append("\\x%02X" % byte)
            after_escape = True
    return '"' + "".join(out) + '"'


for arg in sys.argv[1:]:
    print(f"{literal(arg)}  // {arg}")
