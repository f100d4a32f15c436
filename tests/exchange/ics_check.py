#!/usr/bin/env python3
"""The calendar export read by a real iCalendar parser holds exactly the companion's own charges:
the first event of each record is its next charge, nothing is there for paused or past records, and a
monthly charge from the 31st stays on the 28th once February moved it there."""
import calendar
import datetime
import json
import os
import subprocess
import sys
import tempfile
import uuid

import icalendar

cli = sys.argv[1]
today = datetime.date.today()


def add_months(day, months):
    month = day.month - 1 + months
    year = day.year + month // 12
    month = month % 12 + 1
    return datetime.date(year, month, min(day.day, calendar.monthrange(year, month)[1]))


def record(name, cycle, start, billing="recurring", active=True):
    return {"id": str(uuid.uuid4()).upper(), "name": name, "amount": 9.99, "currency": "USD",
            "billingType": billing, "cycle": cycle, "category": "影音", "notes": "a, b; c\nd",
            "isActive": active, "startDate": start.strftime("%Y-%m-%dT12:00:00Z")}


records = [
    record("Thirty-first, monthly", "monthly", datetime.date(2020, 1, 31)),
    record("Leap day, yearly", "yearly", datetime.date(2020, 2, 29)),
    record("Weekly", "weekly", today - datetime.timedelta(days=3)),
    record("网易云音乐黑胶 VIP 年度会员 · 很长很长的名字，需要在七十五个八位字节处折行", "quarterly",
           today + datetime.timedelta(days=5)),
    record("Bought ahead", "yearly", today + datetime.timedelta(days=30), billing="oneTime"),
    record("Bought before", "yearly", today - datetime.timedelta(days=30), billing="oneTime"),
    record("Paused", "monthly", today - datetime.timedelta(days=30), active=False),
    record("Too far", "monthly", add_months(today, 13), billing="oneTime"),
]

with tempfile.TemporaryDirectory() as home:
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=home + "/data", XDG_CONFIG_HOME=home + "/config")
    os.makedirs(home + "/data/Renewly")
    with open(home + "/data/Renewly/subscriptions.json", "w", encoding="utf-8") as f:
        json.dump(records, f, ensure_ascii=False)

    def run(*args):
        return subprocess.run([cli, *args], env=env, check=True, capture_output=True, timeout=60).stdout

    ics = run("export", "--format", "ics")
    upcoming = json.loads(run("upcoming", "--days", "400", "--json"))

events = {}
for component in icalendar.Calendar.from_ical(ics).walk("VEVENT"):
    uid = str(component["UID"])
    start = component.decoded("DTSTART")
    assert type(start) is datetime.date, uid  # all-day
    assert uid.endswith("-" + start.strftime("%Y%m%d")), uid
    assert component.decoded("DTEND") == start + datetime.timedelta(days=1), uid
    events.setdefault(uid[:36], []).append((start, str(component["SUMMARY"])))

until = add_months(today, 12)
expected = {c["subscription"]["id"]: datetime.date.fromisoformat(c["date"])
            for c in upcoming if datetime.date.fromisoformat(c["date"]) < until}
assert set(events) == set(expected), (sorted(events), sorted(expected))
by_name = {r["id"]: r["name"] for r in records}
for sid, charges in events.items():
    days = [d for d, _ in charges]
    assert days == sorted(days) and min(days) == expected[sid], (by_name[sid], days, expected[sid])
    assert all(today <= d < until for d in days), by_name[sid]
    assert all(summary == by_name[sid] + " · $9.99" for _, summary in charges), charges[0][1]
    name = by_name[sid]
    if name.startswith("Thirty-first"):
        assert len(days) == 12 and all(d.day == 28 for d in days), days
    if name.startswith("Leap day"):
        assert days == [datetime.date(days[0].year, 2, 28)], days
    if name == "Weekly":
        assert all((b - a).days == 7 for a, b in zip(days, days[1:])) and len(days) in (52, 53), days
    if name.startswith("网易云"):
        assert len(days) == 4, days
assert max(len(line) for line in ics.split(b"\r\n")) <= 75
print(f"ok: {sum(len(v) for v in events.values())} events of {len(events)} records")
