#!/usr/bin/env python3
"""How the parser's choice of the start date stands up to the faults a recogniser makes in the words
around dates: for every receipt of corpus folders whose truth text yields the intended start date,
garbles the words written just before and just after each date in turn, one fault at a time, and
counts the faults that change the date proposed.

    scripts/garble-labels.py build/src/cli/renewly-cli DIR [DIR ...] [-v]

Faults: the words lost; a blank inserted between two characters; one character changed (a Latin
letter to another, a Chinese character to a square); the words moved to the row above (a label cut
from its date). -v lists each change with the garbled row. Use it on tuning folders only.
"""
import csv
import json
import os
import re
import subprocess
import sys

ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen", TZ="UTC")
DATE = re.compile(r"(?:19|20)\d{2}[-/.年]\d{1,2}[-/.月]\d{1,2}日?|\d{1,2}[/.]\d{1,2}[/.](?:19|20)\d{2}"
                  r"|[A-Z][a-z]{2,8}\.? \d{1,2}[,，]? (?:19|20)\d{2}|\d{1,2} [A-Z][a-z]{2,8}\.?,? (?:19|20)\d{2}")
WORDS_BEFORE = re.compile(r"([^\s\d|:：][^\n\d|]{1,14}?)([:：]?\s*)$")
WORDS_AFTER = re.compile(r"^(\s*)([^\s\d,，。.;][^\n\d,，。.;]{0,5})")


def start_date(cli, text):
    done = subprocess.run([cli, "parse", "--json"], input=text.encode("utf-8"), capture_output=True, env=ENV,
                          check=True, timeout=60)
    return (json.loads(done.stdout).get("startDate") or "")[:10]


def faults(words):
    """The garbled forms of `words`, each with the fault's name."""
    out = [("lost", "")]
    if len(words) >= 2:
        middle = len(words) // 2
        out.append(("blank", words[:middle] + " " + words[middle:]))
        c = words[middle]
        if c.isascii() and c.isalpha():
            out.append(("letter", words[:middle] + ("x" if c.lower() != "x" else "z") + words[middle + 1:]))
        elif "\u4e00" <= c <= "\u9fff":
            out.append(("character", words[:middle] + "口" + words[middle + 1:]))
    return out


def variants(text):
    """The text with the words before or after one date garbled, as (fault, garbled text, garbled row)."""
    for match in DATE.finditer(text):
        row_start = text.rfind("\n", 0, match.start()) + 1
        before = WORDS_BEFORE.search(text[row_start:match.start()])
        if before:
            start, end = row_start + before.start(1), row_start + before.end(1)
            words = text[start:end]
            for fault, garbled in faults(words):
                yield "before " + fault, text[:start] + garbled + text[end:]
            # Cut from its date: the label closes the row above.
            yield "before cut", text[:end] + "\n" + text[end:].lstrip(" ")
        after = WORDS_AFTER.search(text[match.end():])
        if after and after.group(2).strip():
            start, end = match.end() + after.start(2), match.end() + after.end(2)
            words = text[start:end]
            for fault, garbled in faults(words):
                yield "after " + fault, text[:start] + garbled + text[end:]


def main():
    verbose = "-v" in sys.argv
    arguments = [a for a in sys.argv[1:] if a != "-v"]
    if len(arguments) < 2:
        sys.exit(__doc__)
    cli, folders = arguments[0], arguments[1:]
    for folder in folders:
        with open(os.path.join(folder, "intended.tsv"), encoding="utf-8") as table:
            rows = list(csv.DictReader(table, delimiter="\t"))
        tried = 0
        changed = {}
        for row in rows:
            if row["startDate"] in ("", "None"):
                continue
            with open(os.path.join(folder, row["label"] + ".txt"), encoding="utf-8") as file:
                text = file.read()
            if start_date(cli, text) != row["startDate"] or len(DATE.findall(text)) < 2:
                continue
            for fault, garbled in variants(text):
                tried += 1
                got = start_date(cli, garbled)
                if got != row["startDate"]:
                    changed[fault] = changed.get(fault, 0) + 1
                    if verbose:
                        lines = [line for line in garbled.split("\n") if line not in text.split("\n")]
                        print(f"-- {row['label']} {fault}: {got!r}, intended {row['startDate']!r}: "
                              + " | ".join(lines))
        print(f"{folder}: {tried} garbled texts, start date changed by {sum(changed.values())}: {changed}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
