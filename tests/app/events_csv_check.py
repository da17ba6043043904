"""tevaro-cli --csv read back with Python's csv module, against the report
of the same run (-o) and the star file: one row per event line, the same
stars, events, times, columns and marks, and values that agree with each
other. usage: events_csv_check.py CLI EXAMPLES_DIR"""
import csv
import datetime
import os
import re
import shutil
import subprocess
import sys
import tempfile

cli, examples = sys.argv[1], sys.argv[2]

# A star file whose names and comments need quoting in CSV and are not
# ASCII (the star file's third line decides its layout, so it has no comma
# inside quotes).
ODD_STARS = (
    "Stars whose texts need quoting\r\n"
    "name,RA,Dec,HJDo,Period,Type,Max,Min,Comment\r\n"
    "Åkerlund Per,3.08101,40.5720,45641.5135,2.8673043,EA,2.09,3.30,déjà vu\r\n"
    '"Smith, Ö Cas",2.48555,69.3803,43200.3063,1.1952499,EA,6.18,7.72,"circumpolar, bright"\r\n'
    'Smith "Q" Cep,1.02184,81.5232,44541.6037,2.4930475,EA,6.75,9.24,say "deep"\r\n'
    "=1+1,2.48555,69.3803,43200.3063,1.1952499,EA,6.18,7.72,@SUM(1)\r\n"
    '"@SUM(1,2)",2.48555,69.3803,43200.4063,1.1952499,EA,6.18,7.72,-x\r\n'
    "-0.5,2.48555,69.3803,43200.5063,1.1952499,EA,6.18,7.72,+1.5e3\r\n"
)
# The odd stars' name and comment as read back: a text a spreadsheet would
# run as a formula after a ', a plain number as it is.
ODD_TEXTS = {
    ("Åkerlund Per", "déjà vu"), ("Smith, Ö Cas", "circumpolar, bright"), ('Smith "Q" Cep', 'say "deep"'),
    ("'=1+1", "'@SUM(1)"), ("'@SUM(1,2)", "'-x"), ("-0.5", "+1.5e3"),
}

# name, star file, extra options
CASES = [
    ("altaz", "stars.csv", ["--date", "2025-01-10", "--nights", "3", "--events", "I,.25,II,.75"]),
    ("airmass-berlin-bjd", "stars.csv",
     ["--date", "2025-03-28", "--nights", "4", "--columns", "airmass", "--zone", "Europe/Berlin", "--epochs", "bjd"]),
    ("dec-moon-eclipse", "stars-durations.csv",
     ["--date", "2025-01-10", "--nights", "5", "--events", "I,II", "--columns", "dec", "--moon", "--eclipse"]),
    ("odd-names", None, ["--date", "2025-01-10", "--nights", "10", "--events", "I,II"]),
]

LINE = re.compile(r"^ *(\d+\.\d+)  (.{10})  .. .{5} .{5}  (\d{4})_(\w{3})_ ?(\d+)   ?(\d+): ?(\d+)(.*?)  ( I |\.25|II |\.75)  (.*)$")
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
failures = []


def check(case, cond, what):
    if not cond:
        failures.append(f"[{case}] {what}")


def as_read(text):
    """A CSV text without the ' that guards a formula."""
    return text[1:] if text[:1] == "'" and text[1:2] in ("=", "+", "-", "@", "\t", "\r") else text


def stars_of(path):
    with open(path, newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f))[2:]
    return {r[0]: r for r in rows}


def run_case(name, star_file, extra, work):
    args = [cli, "--stars", star_file, "-o", "report.txt", "--csv", "events.csv"] + extra
    done = subprocess.run(args, cwd=work, capture_output=True)
    check(name, done.returncode == 0, f"exit status {done.returncode}: {done.stderr.decode()}")
    check(name, done.stdout == b"", "the report went to standard output too")
    raw = open(os.path.join(work, "events.csv"), "rb").read()
    check(name, not raw.startswith(b"\xef\xbb\xbf"), "a byte-order mark")
    check(name, raw.endswith(b"\r\n") and raw.count(b"\n") == raw.count(b"\r\n"), "a line end that is not CR LF")
    with open(os.path.join(work, "events.csv"), newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    with open(os.path.join(work, "report.txt"), encoding="utf-8") as f:
        lines = [m for m in (LINE.match(l.rstrip("\r\n")) for l in f) if m]
    check(name, len(rows) > 0, "no rows")
    check(name, len(rows) == len(lines), f"{len(rows)} rows for {len(lines)} event lines")
    stars = stars_of(star_file)
    scale = next(k for k in rows[0] if k.startswith("element_jd_"))[len("element_jd_"):]
    mode = "airmass" if "airmass" in extra else "dec" if "dec" in extra else "altaz"
    for k, (row, m) in enumerate(zip(rows, lines)):
        where = f"row {k + 1} ({row['star']})"
        ok = lambda cond, what: check(name, cond, f"{where}: {what}")
        star = stars.get(as_read(row["star"]))
        ok(star is not None, "a star not in the star file")
        if star is None:
            continue
        ok(m.group(2).strip() == as_read(row["star"])[:10].strip(), f"report names {m.group(2)!r}")
        ok((row["type"], as_read(row["comment"])) == (star[5], star[8]), "type or comment differs from the star file")
        ok(float(row["max_mag"]) == float(star[6]) and float(row["min_mag"]) == float(star[7]), "magnitudes")
        ok(row["event"] == m.group(9).strip(), f"event {row['event']} printed {m.group(9)}")
        jd = float(row["jd_utc"])
        ok(re.fullmatch(r"\d+\.\d{5}", row["jd_utc"]) is not None, f"jd_utc {row['jd_utc']} not 5 decimals")
        ok(-1e-6 < jd - 2400000 - float(m.group(1)) < 1.1e-4, f"jd_utc {jd} printed {m.group(1)}")
        local = datetime.datetime.fromisoformat(row["local_time"])
        utc = datetime.datetime.fromisoformat(row["utc"].replace("Z", "+00:00"))
        ok(local == utc, "local time and UTC are not the same instant")
        jd_of_utc = 2440587.5 + utc.timestamp() / 86400
        ok(abs(jd_of_utc - jd) < 1e-5 + 0.5 / 86400, "UTC and jd_utc disagree")
        printed = (int(m.group(3)), MONTHS.index(m.group(4)) + 1, int(m.group(5)), int(m.group(6)), int(m.group(7)))
        ok(printed == (local.year, local.month, local.day, local.hour, local.minute), "local time differs from the report's")
        cycle = float(row["cycle"])
        ok(cycle * 4 == int(cycle * 4) and ["I", ".25", "II", ".75"][int(cycle * 4) % 4] == row["event"],
           f"cycle {cycle} does not give event {row['event']}")
        element = float(row[f"element_jd_{scale}"])
        ok(abs(element - (2400000 + float(star[3]) + cycle * float(star[4]))) < 1e-6, "element instant is not epoch + E x period")
        # The light time and the time scales move an event by under 20 minutes.
        limit = 1e-5 if scale == "hjd-as-ut" else 0.014
        ok(abs(element - jd) < limit, f"element instant {element} far from the event {jd}")
        cols = [float(x) for x in m.group(8).split()]
        alt, az, ha, am = (float(row[c]) for c in ("altitude_deg", "azimuth_deg", "hour_angle_h", "airmass"))
        if mode == "altaz":
            ok(abs(cols[0] - az) <= 0.5 + 1e-9 and abs(cols[1] - alt) <= 0.5 + 1e-9, f"alt/az {alt} {az} printed {cols}")
        else:
            ok(abs(cols[0] - ha) <= 0.005 + 1e-9, f"hour angle {ha} printed {cols[0]}")
        if mode == "airmass":
            ok(0 <= am - cols[1] < 0.01 + 1e-9, f"airmass {am} printed {cols[1]}")
        ok(-90 <= float(row["dec_of_date_deg"]) <= 90 and 0 <= az < 360 and -12 <= ha <= 12, "angle out of range")
        ok(float(row["sun_altitude_deg"]) < -12, "the Sun above the run's limit")
        ok(alt > 20, "the star below the run's limit")
        flags = m.group(10)
        marks = set()
        for mark in ("part", "moon", "close"):
            if flags.endswith(" " + mark):
                marks.add(mark)
                flags = flags[: -len(mark) - 1]
        ok(row["close"] == ("true" if "close" in marks else "false"), "close mark")
        if "--moon" in extra:
            ok(row["near_moon"] == ("true" if "moon" in marks else "false"), "moon mark")
            ok(0 <= float(row["moon_illuminated"]) <= 1 and 0 <= float(row["moon_distance_deg"]) <= 180, "Moon values")
        else:
            ok("moon_altitude_deg" not in row, "Moon columns without the Moon")
        if "--eclipse" in extra and (len(star) < 10 or not star[9].strip()):
            ok(row["eclipse_start_utc"] == row["eclipse_all_observable"] == "" and "part" not in marks,
               "an eclipse for a star without a duration")
        elif "--eclipse" in extra:
            start = datetime.datetime.fromisoformat(row["eclipse_start_utc"].replace("Z", "+00:00"))
            end = datetime.datetime.fromisoformat(row["eclipse_end_utc"].replace("Z", "+00:00"))
            hours = (end - start).total_seconds() / 3600
            ok(abs(hours - float(star[9])) < 1 / 1800 and start < utc < end, "eclipse start and end")
            ok(row["eclipse_all_observable"] == ("false" if "part" in marks else "true"), "part mark")


work = tempfile.mkdtemp()
try:
    for f in ("Location.dat", "Limits.dat"):
        shutil.copy(os.path.join(examples, f), work)
    with open(os.path.join(work, "odd.csv"), "w", newline="", encoding="utf-8") as f:
        f.write(ODD_STARS)
    for name, star_file, extra in CASES:
        path = os.path.join(examples, star_file) if star_file else os.path.join(work, "odd.csv")
        run_case(name, path, extra, work)
        if name == "odd-names":
            with open(os.path.join(work, "events.csv"), newline="", encoding="utf-8") as f:
                texts = {(r["star"], r["comment"]) for r in csv.DictReader(f)}
            check(name, texts == ODD_TEXTS, f"names and comments read back as {texts}")
finally:
    shutil.rmtree(work)

for f in failures[:40]:
    print(f, file=sys.stderr)
sys.exit(1 if failures else 0)
