#!/usr/bin/env python3
"""Separates the parser's own misses from the recogniser's: parses the truth text of every receipt in
corpus folders with renewly-cli and compares the proposal with intended.tsv (what each receipt was
written with). bench_ocr compares what is read with what the parser makes of the truth, so a field
the parser misreads even in the truth text is counted here only.

    scripts/parse-truths.py build/src/cli/renewly-cli DIR [DIR ...] [-v]

Prints, per folder, the receipts whose truth parses as intended and the fields that do not; -v also
lists each receipt parsed otherwise, with its text. Use it on tuning folders only.
"""
import csv
import json
import os
import re
import subprocess
import sys

SUPPORTED = ("CNY", "USD", "HKD", "EUR", "GBP", "JPY")


def squashed(text):
    return re.sub(r"\s+", "", text).lower()


def misses(row, proposal):
    """The fields of `proposal` that differ from the intended `row`, as (field, value) pairs."""
    wrong = []
    if squashed(row["name"]) not in squashed(proposal.get("name") or ""):
        wrong.append(("name", proposal.get("name")))
    # A price in a currency the program does not support is proposed as no amount.
    supported = row["currency"] in SUPPORTED
    if abs(float(proposal.get("amount") or 0) - (float(row["amount"]) if supported else 0.0)) > 0.005:
        wrong.append(("amount", proposal.get("amount")))
    if supported and proposal.get("currency") != row["currency"]:
        wrong.append(("currency", proposal.get("currency")))
    if proposal.get("billingType") != {"subscription": "recurring"}.get(row["billingType"], row["billingType"]):
        wrong.append(("billingType", proposal.get("billingType")))
    if row["cycle"] not in ("", "None") and proposal.get("cycle") != row["cycle"]:
        wrong.append(("cycle", proposal.get("cycle")))
    if row["startDate"] not in ("", "None") and (proposal.get("startDate") or "")[:10] != row["startDate"]:
        wrong.append(("startDate", (proposal.get("startDate") or "")[:10]))
    return wrong


def main():
    verbose = "-v" in sys.argv
    arguments = [a for a in sys.argv[1:] if a != "-v"]
    if len(arguments) < 2:
        sys.exit(__doc__)
    cli, folders = arguments[0], arguments[1:]
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", TZ="UTC")
    for folder in folders:
        with open(os.path.join(folder, "intended.tsv"), encoding="utf-8") as table:
            rows = list(csv.DictReader(table, delimiter="\t"))
        right = 0
        fields = {}
        for row in rows:
            with open(os.path.join(folder, row["label"] + ".txt"), encoding="utf-8") as file:
                text = file.read()
            done = subprocess.run([cli, "parse", "--json"], input=text.encode("utf-8"), capture_output=True,
                                  env=env, check=True, timeout=60)
            wrong = misses(row, json.loads(done.stdout))
            right += not wrong
            for field, _ in wrong:
                fields[field] = fields.get(field, 0) + 1
            if wrong and verbose:
                print(f"-- {row['label']}: " + "; ".join(f"{f} {v!r}, intended {row[f]!r}" for f, v in wrong))
                print("   " + text.replace("\n", " | "))
        share = 100 * right / max(1, len(rows))
        print(f"{folder}: truth parsed as intended {right}/{len(rows)} = {share:.1f} %; fields missed {fields}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
