#!/usr/bin/env python3
"""How often the reading gets Chinese characters wrong, typeface by typeface: aligns the Han
characters of each receipt's truth text with those of its reading and counts the characters
changed, lost and added (the character error rate), and the receipts whose intended name, written
with Han characters and shown in the truth text, is missing from the reading.

    scripts/han-errors.py build/src/cli/renewly-cli DIR [DIR ...] --cache FOLDER [-v]

Readings are cached as scripts/parse-readings.py caches them (the same FOLDER serves both); delete
a corpus's file to read its images afresh. -v lists the characters changed, most frequent first.
Use it on tuning folders only.
"""
import collections
import csv
import difflib
import importlib.util
import os
import sys

_spec = importlib.util.spec_from_file_location("parse_readings", os.path.join(os.path.dirname(__file__),
                                                                            "parse-readings.py"))
parse_readings = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(parse_readings)


def han(text):
    return "".join(c for c in text if "\u3400" <= c <= "\u9fff" or "\uf900" <= c <= "\ufaff")


def main():
    arguments = sys.argv[1:]
    verbose = "-v" in arguments
    arguments = [a for a in arguments if a != "-v"]
    if "--cache" not in arguments:
        sys.exit(__doc__)
    at = arguments.index("--cache")
    cache = arguments[at + 1]
    del arguments[at:at + 2]
    if len(arguments) < 2:
        sys.exit(__doc__)
    cli, folders = arguments[0], arguments[1:]
    for folder in folders:
        rows = parse_readings.intended(folder)
        typefaces = {}
        with open(os.path.join(folder, "styles.tsv"), encoding="utf-8") as table:
            for row in csv.DictReader(table, delimiter="\t"):
                typefaces[row["label"]] = row.get("typeface", "?")
        read = parse_readings.readings(cli, folder, [row["label"] for row in rows], cache)
        tally = collections.defaultdict(lambda: [0, 0, 0, 0, 0, 0])  # chars, changed, lost, added, names, missed
        changes = collections.Counter()
        for row in rows:
            with open(os.path.join(folder, row["label"] + ".txt"), encoding="utf-8") as file:
                truth = file.read()
            text = read.get(row["label"], "")
            a, b = han(truth), han(text)
            counts = tally[typefaces.get(row["label"], "?")]
            counts[0] += len(a)
            for op, i1, i2, j1, j2 in difflib.SequenceMatcher(None, a, b, autojunk=False).get_opcodes():
                if op == "replace":
                    n = min(i2 - i1, j2 - j1)
                    counts[1] += n
                    counts[2] += (i2 - i1) - n
                    counts[3] += (j2 - j1) - n
                    for k in range(n):
                        changes[(a[i1 + k], b[j1 + k])] += 1
                elif op == "delete":
                    counts[2] += i2 - i1
                elif op == "insert":
                    counts[3] += j2 - j1
            name = "".join(row.get("name", "").split())
            if han(name) and name in "".join(truth.split()):
                counts[4] += 1
                counts[5] += name not in "".join(text.split())
        total = [sum(c[k] for c in tally.values()) for k in range(6)]
        for face, c in sorted(tally.items()) + [("all", total)]:
            rate = 100 * (c[1] + c[2] + c[3]) / max(1, c[0])
            print(f"{folder}\t{face}\tHan {c[0]}\terrors {rate:.2f} % (changed {c[1]}, lost {c[2]}, "
                  f"added {c[3]})\tnames missed {c[5]}/{c[4]}")
        if verbose:
            print("  " + " ".join(f"{x}>{y}:{n}" for (x, y), n in changes.most_common(60)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
