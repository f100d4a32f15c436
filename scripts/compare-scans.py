#!/usr/bin/env python3
"""Compares the proposals of one or more recognisers with the ground truth of a receipt folder.

    bench/bench_ocr --corpus-out DIR N --evaluation --first K   # PNG + TXT + styles.tsv
    scripts/html-receipts.py --out DIR --count N                 # or: PNG/JPEG + TXT + styles.tsv
    renewly-cli scan --json DIR/*.png DIR/*.jpg > A.json         # once per recogniser
    scripts/compare-scans.py DIR --cli PATH/renewly-cli A.json [B.json ...]

The truth of each receipt is what `renewly-cli parse --json` (the --cli given) proposes from its
TXT file, and every scan's text is parsed again by that same CLI, so all sides share one parser
and one clock. Prints, per recogniser, the share of receipts with each of the six fields right,
all six right, amount and currency right, per style, and how many "¥" amounts were read right.
The styles are the layout, language, theme and text size the label names, and every further column
of styles.tsv as "<column> <value>" (typeface, file, and whatever else the corpus records).
"""
import argparse
import collections
import json
import os
import subprocess
import sys

FIELDS = ["name", "amount", "currency", "cycle", "billingType", "startDate"]


def parse_text(cli, text):
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    done = subprocess.run([cli, "parse", "--json"], input=text.encode("utf-8"), capture_output=True,
                          env=env, check=True)
    return json.loads(done.stdout)


def fields_of(proposal):
    fields = {f: proposal.get(f) for f in FIELDS}
    # Without a date on the receipt the parser proposes the moment it runs: compare days only.
    fields["startDate"] = (fields["startDate"] or "")[:10]
    return fields


def styles_of(label, columns):
    # <index>-<layout>-<language>-<theme>-<N>px, then the columns after the label
    parts = label.split("-")
    size = int(parts[4].removesuffix("px"))
    return ["layout " + parts[1], "language " + parts[2], "theme " + parts[3],
            "text small (<14px)" if size < 14 else "text 14px+"] + [f"{name} {value}" for name, value in columns]


def main():
    args = argparse.ArgumentParser()
    args.add_argument("folder")
    args.add_argument("--cli", required=True, help="the renewly-cli whose parser judges every side")
    args.add_argument("--verbose", action="store_true")
    args.add_argument("scans", nargs="+", help="renewly-cli scan --json output, one per recogniser")
    opts = args.parse_args()

    styles = {}
    with open(os.path.join(opts.folder, "styles.tsv"), encoding="utf-8") as f:
        names = next(f).rstrip("\n").split("\t")[1:]
        for line in f:
            if not line.strip():
                continue
            label, *values = line.rstrip("\n").split("\t")
            styles[label] = styles_of(label, zip(names, values))
    truth = {}
    for label in styles:
        with open(os.path.join(opts.folder, label + ".txt"), encoding="utf-8") as f:
            truth[label] = fields_of(parse_text(opts.cli, f.read()))

    results = {}
    for path in opts.scans:
        with open(path, encoding="utf-8") as f:
            scans = json.load(f)
        got = {}
        for item in scans:
            label = os.path.splitext(os.path.basename(item["file"]))[0]
            got[label] = fields_of(parse_text(opts.cli, item["text"]))
        results[path] = got

    total = len(truth)
    yen = [label for label, t in truth.items() if t["currency"] == "CNY"]
    print(f"{total} receipts in {opts.folder}; {len(yen)} with a ¥ amount")
    names = list(results)
    keys = sorted({k for s in styles.values() for k in s})
    width = max([34] + [len(k) + 16 for k in keys])
    header = f"{'':{width}}" + "".join(f"{os.path.basename(n):>22}" for n in names)
    print(header)

    def row(title, count_of, of):
        cells = []
        for n in names:
            k = count_of(results[n])
            cells.append(f"{k:>3}/{of:<3} {100.0 * k / max(1, of):5.1f} %")
        print(f"{title:{width}}" + "".join(f"{c:>22}" for c in cells))

    def right(got, label, fields):
        g = got.get(label)
        return g is not None and all(g[f] == truth[label][f] for f in fields)

    for f in FIELDS:
        row("field " + f, lambda got, f=f: sum(right(got, l, [f]) for l in truth), total)
    row("all six fields", lambda got: sum(right(got, l, FIELDS) for l in truth), total)
    row("amount + currency", lambda got: sum(right(got, l, ["amount", "currency"]) for l in truth), total)
    row("¥ amount + currency", lambda got: sum(right(got, l, ["amount", "currency"]) for l in yen), len(yen))
    for key in keys:
        labels = [l for l in truth if key in styles[l]]
        row(key + " (all six)", lambda got: sum(right(got, l, FIELDS) for l in labels), len(labels))
        row(key + " (amount+cur.)", lambda got: sum(right(got, l, ["amount", "currency"]) for l in labels),
            len(labels))
    if opts.verbose:
        for n in names:
            for label in truth:
                wrong = [f for f in FIELDS if results[n].get(label, {}).get(f) != truth[label][f]]
                if wrong:
                    print(f"{os.path.basename(n)} {label}: " +
                          ", ".join(f"{f} {results[n].get(label, {}).get(f)!r} != {truth[label][f]!r}"
                                    for f in wrong))
    return 0


if __name__ == "__main__":
    sys.exit(main())
