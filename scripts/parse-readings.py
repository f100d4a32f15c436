#!/usr/bin/env python3
"""How well the parser copes with imperfect readings: parses both the truth text and the recognised
text of every receipt in corpus folders and counts, field by field, the receipts whose truth parses
as intended but whose reading does not. Each such receipt is a case where a misread character,
a lost label or a row cut elsewhere changed the parser's mind.

    scripts/parse-readings.py build/src/cli/renewly-cli DIR [DIR ...] --cache FOLDER [--field F] [-v]

The recognised texts come from `renewly-cli scan --json` and are kept in FOLDER (one JSON file per
corpus folder), so that only the parser runs again after a change to it; delete the file to read
the images afresh. -v lists the cases (of --field only, if given) with both texts. Use it on
tuning folders only.
"""
import csv
import importlib.util
import json
import os
import re
import subprocess
import sys

_spec = importlib.util.spec_from_file_location("parse_truths", os.path.join(os.path.dirname(__file__),
                                                                          "parse-truths.py"))
parse_truths = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(parse_truths)

FIELDS = ("name", "amount", "currency", "cycle", "billingType", "startDate")
ENV = dict(os.environ, QT_QPA_PLATFORM="offscreen", TZ="UTC")


def parsed(cli, text):
    done = subprocess.run([cli, "parse", "--json"], input=text.encode("utf-8"), capture_output=True, env=ENV,
                          check=True, timeout=60)
    return json.loads(done.stdout)


def intended(folder):
    """The rows of a corpus folder's intended.tsv, what each receipt was made to propose."""
    with open(os.path.join(folder, "intended.tsv"), encoding="utf-8") as table:
        return list(csv.DictReader(table, delimiter="\t"))


def readings(cli, folder, labels, cache):
    """The recognised text of every receipt of `folder`, from the cache or read now."""
    path = os.path.join(cache, re.sub(r"[^A-Za-z0-9]+", "_", os.path.abspath(folder)).strip("_") + ".json")
    known = {}
    if os.path.exists(path):
        with open(path, encoding="utf-8") as file:
            known = json.load(file)
    images = {}
    for name in os.listdir(folder):
        stem, extension = os.path.splitext(name)
        if extension.lower() in (".png", ".jpg", ".jpeg"):
            images[stem] = os.path.join(folder, name)
    missing = [label for label in labels if label not in known and label in images]
    for start in range(0, len(missing), 20):
        batch = missing[start:start + 20]
        done = subprocess.run([cli, "scan", "--json"] + [images[label] for label in batch], capture_output=True,
                              env=ENV, check=False, timeout=3600)
        by_file = {entry["file"]: entry["text"] for entry in json.loads(done.stdout or "[]")}
        for label in batch:
            known[label] = by_file.get(images[label], "")
        os.makedirs(cache, exist_ok=True)
        with open(path, "w", encoding="utf-8") as file:
            json.dump(known, file, ensure_ascii=False, indent=0)
    return known


def main():
    arguments = sys.argv[1:]
    verbose = "-v" in arguments
    arguments = [a for a in arguments if a != "-v"]
    options = {}
    for option in ("--cache", "--field"):
        if option in arguments:
            at = arguments.index(option)
            options[option] = arguments[at + 1]
            del arguments[at:at + 2]
    if len(arguments) < 2 or "--cache" not in options:
        sys.exit(__doc__)
    cli, folders = arguments[0], arguments[1:]
    only = options.get("--field")
    for folder in folders:
        rows = intended(folder)
        read = readings(cli, folder, [row["label"] for row in rows], options["--cache"])
        truth_right = 0
        reading_right = 0
        agreeing = 0
        costs = {}
        gains = {}
        for row in rows:
            with open(os.path.join(folder, row["label"] + ".txt"), encoding="utf-8") as file:
                truth = file.read()
            text = read.get(row["label"], "")
            truth_proposal = parsed(cli, truth)
            read_proposal = parsed(cli, text)
            truth_wrong = dict(parse_truths.misses(row, truth_proposal))
            read_wrong = dict(parse_truths.misses(row, read_proposal))
            # What bench_ocr counts: the reading proposes what the truth does, field by field.
            # (A text without a date starts now: only the day counts.)
            agreeing += all(str(truth_proposal.get(f))[:10 if f == "startDate" else None] ==
                            str(read_proposal.get(f))[:10 if f == "startDate" else None] for f in FIELDS)
            truth_right += not truth_wrong
            reading_right += not read_wrong
            for field, value in read_wrong.items():
                if field in truth_wrong:
                    continue
                costs[field] = costs.get(field, 0) + 1
                if verbose and (only is None or field == only):
                    print(f"-- {row['label']}: {field} {value!r} read, {row[field]!r} intended")
                    print("   truth: " + truth.strip().replace("\n", " | "))
                    print("   read:  " + text.strip().replace("\n", " | "))
            for field in truth_wrong:
                if field not in read_wrong:
                    gains[field] = gains.get(field, 0) + 1
        count = max(1, len(rows))
        print(f"{folder}: truth {truth_right}/{len(rows)} = {100 * truth_right / count:.1f} %, "
              f"reading {reading_right}/{len(rows)} = {100 * reading_right / count:.1f} %, "
              f"reading proposes what truth does {100 * agreeing / count:.1f} %; "
              f"right on truth, wrong on reading {costs}; the other way {gains}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
