"""Writes a user guide as the release ZIP holds it: the Markdown source as a text file in
UTF-8 with a byte-order mark and CRLF line ends, which Notepad shows correctly on every
Windows the programs support (older ones take UTF-8 without the mark for the ANSI code page).

Usage: guide_text.py SOURCE.md TARGET.txt
"""
import sys


def main(source, target):
    with open(source, encoding="utf-8") as f:
        text = f.read().lstrip("\ufeff").replace("\r\n", "\n")
    with open(target, "w", encoding="utf-8-sig", newline="\r\n") as f:
        f.write(text)


if __name__ == "__main__":
    main(*sys.argv[1:])
