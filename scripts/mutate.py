#!/usr/bin/env python3
"""Mutation sample of the core: applies small plausible faults to the model, store, settings and
receipt parser one at a time, rebuilds the core test programs and runs them, and reports which
faults no test notices.

Usage: scripts/mutate.py [--build DIR] [--only SUBSTRING] [--list]
The build folder must be configured already (default: build). Every mutant is undone before the
next one is applied, also when the run is interrupted. Run it under `nice -n 10`; with ccache the
second run over unchanged sources compiles nothing but the mutated file.
"""
import argparse
import os
import pathlib
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent

# The test programs that exercise the core without a window or a session bus, and which of them call
# into each folder: only those are rebuilt and run for a fault there.
TARGETS = [
    "test_subscription", "test_billing_calendar", "test_format", "test_aggregates", "test_store",
    "test_receipt_parser", "test_localization", "test_full_disk", "test_hostile_preferences",
]
CALLERS = {
    "src/model": TARGETS,
    "src/store": ["test_aggregates", "test_store", "test_full_disk"],
    "src/receipt": ["test_receipt_parser"],
    "src/settings": ["test_localization", "test_hostile_preferences", "test_format", "test_subscription",
                     "test_aggregates", "test_store", "test_receipt_parser"],
}

# (file, text to replace, replacement, what the fault does). Each text must occur exactly once.
MUTANTS = [
    # Billing calendar and record
    ("src/model/BillingCalendar.cpp", "(year % 4 == 0 && year % 100 != 0) || year % 400 == 0",
     "year % 4 == 0", "fast path forgets the Gregorian century rule"),
    ("src/model/BillingCalendar.cpp", "(behind + 6) / 7", "behind / 7",
     "weekly jump stops one period short"),
    ("src/model/BillingCalendar.cpp", "remaining = std::min(remaining, qint64(maxSteps) - stepsTaken);", "",
     "fast path ignores the step cap"),
    ("src/model/BillingCalendar.cpp", "        return 3;\n    case BillingCycle::yearly:\n        return 12;",
     "        return 4;\n    case BillingCycle::yearly:\n        return 12;", "quarter of four months"),
    ("src/model/BillingCalendar.cpp", "        if (first.isValid() && first >= today)",
     "        if (first.isValid() && first > today)", "paused record due today has no charge"),
    ("src/model/BillingCalendar.cpp", "return 52.0 / 12.0;", "return 4.33;", "weekly factor rounded"),
    ("src/model/Subscription.cpp", "(sign == u'-' ? -1 : 1)", "(sign == u'+' ? -1 : 1)",
     "offset sign of a file date flipped"),
    ("src/model/Subscription.cpp", "ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000)", "ms / 1000",
     "dates before 1970 round towards zero"),
    # Money and currencies
    ("src/model/CurrencyRates.cpp", '{u"EUR", 7.8, u"€"}', '{u"EUR", 7.7, u"€"}', "wrong EUR rate"),
    ("src/model/CurrencyRates.cpp", '{u"GBP", 9.1, u"£"}', '{u"GBP", 9.0, u"£"}', "wrong GBP rate"),
    ("src/model/Format.cpp", "std::fabs(rounded) < int64Limit", "std::fabs(rounded) <= int64Limit",
     "money format past the 64-bit limit"),
    ("src/model/Format.cpp", "std::round(amount * 100) / 100", "std::floor(amount * 100 + 0.5) / 100",
     "halves of negative cents round up"),
    # Aggregates and store
    ("src/store/Aggregates.cpp", "figures.dueSoon = int(Aggregates::upcoming(subscriptions, 7, now, zone)",
     "figures.dueSoon = int(Aggregates::upcoming(subscriptions, 6, now, zone)", "due-soon window of 6 days"),
    ("src/store/Aggregates.cpp", "if (days < 0 || days > withinDays)", "if (days > withinDays)",
     "a record stuck at the step cap shows as due"),
    ("src/store/Aggregates.cpp", "    spare.resize(active.size());\n",
     "    std::sort(active.begin(), active.end(), [](const Key &a, const Key &b) { return a.key < b.key; });\n"
     "    spare.resize(active.size());\n", "main list ties lose list order"),
    ("src/store/Aggregates.cpp", "a.days != b.days ? a.days < b.days : a.index < b.index", "a.days < b.days",
     "upcoming ties lose list order"),
    ("src/store/Aggregates.cpp", "return s.isActive && s.billingType == BillingType::recurring;\n    }));",
     "return s.isActive;\n    }));", "one-time purchases counted as active"),
    ("src/store/SubscriptionFile.cpp", "now.toUTC().toString(", "now.toString(",
     "set-aside stamp in local time"),
    ("src/store/SubscriptionFile.cpp", "for (int n = 2; QFileInfo::exists(target); ++n)", "for (int n = 2; false; ++n)",
     "second set-aside in the same second fails"),
    ("src/store/Store.cpp", "        m_fileUnreadable = false;\n", "",
     "every save sets the file aside again"),
    ("src/store/Store.cpp", "list[index].isActive = !list[index].isActive;",
     "list[index].isActive = !subscription.isActive;", "toggle trusts the caller's copy"),
    ("src/store/Store.cpp", ".amount = 2.99,", ".amount = 2.49,",
     "wrong sample price"),
    ("src/store/SubscriptionFile.cpp", "info.size() > maxFileBytes", "false", "no size limit on load"),
    # Receipt parser
    ("src/receipt/ReceiptParser.cpp", 'u"yearly", u"annual"', 'u"yearly", u"anual"',
     "misspelt yearly keyword"),
    ("src/receipt/ReceiptParser.cpp", 'u"/month", u"per month", u"/mo"', 'u"/month", u"per month", u"/mon"',
     "misspelt monthly keyword"),
    ("src/receipt/ReceiptParser.cpp", 'u"终身",\n', 'u"终生",\n', "misspelt one-time keyword"),
    ("src/receipt/ReceiptParser.cpp", "std::max<qsizetype>(0, candidate.location - 10) + 12, s.size())",
     "std::max<qsizetype>(0, candidate.location - 10) + 11, s.size())", "keyword window one unit short"),
    ("src/receipt/ReceiptParser.cpp", "std::min(runEnd + 4, s.size() - 1)", "std::min(runEnd + 3, s.size() - 1)",
     "unit after a number with cents and a blank missed"),
    ("src/receipt/ReceiptParser.cpp", R'number + QStringLiteral(R"(\s?(元|圆|块))")', R'number + QStringLiteral(R"((元|圆|块))")',
     "no blank allowed before the unit"),
    ("src/receipt/ReceiptParser.cpp", "int score = containsAnyWord(lowerLine, brandWords) ? 5 : 0;",
     "int score = containsAnyWord(lowerLine, brandWords) ? 3 : 0;", "brand weighs less than a plan word"),
    ("src/receipt/ReceiptParser.cpp", "    if (count <= 2)\n", "    if (count < 2)\n",
     "two months read as quarterly"),
    # Settings
    ("src/settings/LocalizationManager.cpp", 'languages.isEmpty() ? QStringLiteral("en")',
     'languages.isEmpty() ? QStringLiteral("zh")', "no preferred language reads as Chinese"),
    ("src/settings/Preferences.cpp", "value.toString().trimmed().toInt(&ok)", "value.toString().toInt(&ok)",
     "blanks around a stored day count reject it"),
]


def run(cmd, log, timeout=None):
    with open(log, "ab") as out:
        return subprocess.run(cmd, cwd=ROOT, stdout=out, stderr=subprocess.STDOUT, timeout=timeout).returncode


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--only", default="")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("--skip-check", action="store_true", help="do not first build and run the unmutated tree")
    args = parser.parse_args()
    build = str(ROOT / args.build)
    log = ROOT / args.build / "mutate.log"
    mutants = [m for m in MUTANTS if args.only in m[3] or args.only in m[0]]
    if args.list:
        for path, _, _, what in mutants:
            print(f"{path}: {what}")
        return 0
    os.environ.setdefault("CCACHE_BASEDIR", "/work")
    os.environ.setdefault("CCACHE_NOHASHDIR", "1")
    # A smaller share of the million-case calendar check keeps one run within minutes.
    os.environ.setdefault("RENEWLY_CALENDAR_CASES", "200000")
    def commands(targets):
        build_cmd = ["cmake", "--build", build, "-j2", "--target", *targets]
        test_cmd = ["ctest", "--test-dir", build, "-R", "^(" + "|".join(targets) + ")@", "--stop-on-failure",
                    "--timeout", "300", "-Q"]
        return build_cmd, test_cmd

    if not args.skip_check:
        log.write_text("")
    build_cmd, test_cmd = commands(TARGETS)
    if not args.skip_check and (run(build_cmd, log) != 0 or run(test_cmd, log) != 0):
        print("the unmutated tree does not pass; see", log)
        return 2
    survivors = []
    for path, before, after, what in mutants:
        build_cmd, test_cmd = commands(CALLERS["/".join(path.split("/")[:2])])
        source = ROOT / path
        text = source.read_text(encoding="utf-8")
        if text.count(before) != 1:
            print(f"SKIP   {what}: the text occurs {text.count(before)} times in {path}")
            continue
        started = time.time()
        try:
            source.write_text(text.replace(before, after), encoding="utf-8")
            if run(build_cmd, log) != 0:
                outcome = "BUILD"  # a fault the compiler catches counts as caught
            else:
                try:
                    outcome = "caught" if run(test_cmd, log, timeout=1800) != 0 else "SURVIVED"
                except subprocess.TimeoutExpired:
                    outcome = "caught (hang)"
        finally:
            source.write_text(text, encoding="utf-8")
        if outcome == "SURVIVED":
            survivors.append(what)
        print(f"{outcome:8} {path}: {what} ({time.time() - started:.0f} s)", flush=True)
    run(commands(TARGETS)[0], log)
    print(f"{len(survivors)} of {len(mutants)} mutants survived")
    for what in survivors:
        print("  -", what)
    return 0


if __name__ == "__main__":
    sys.exit(main())
