#!/usr/bin/python3
"""The time model against astropy and Python's zoneinfo, through tevaro_time_probe.

Light time: for stars all over the sky and instants 1950-2100, the UTC at which
the probe says an event is seen from the Earth's centre, carried forward by
astropy (UTC + heliocentric light time for hjd; UTC -> TDB + barycentric light
time for bjd), gives back the element instant within 0.5 s.
Zones: offsets, abbreviations, span boundaries and the local clock readings of
the mornings and evenings around every change equal zoneinfo's over 1970-2037.

Usage: time_model_check.py PROBE. Exit 0 all agree, 1 failures listed, 77 when
astropy or zoneinfo cannot be imported.
"""
import random
import subprocess
import sys
import warnings
from datetime import datetime, timedelta, timezone

try:
    import erfa
    import numpy as np
    import astropy.units as u
    from astropy.coordinates import EarthLocation, SkyCoord
    from astropy.time import Time
    from astropy.utils import iers
    from astropy.utils.exceptions import AstropyWarning
    from zoneinfo import ZoneInfo
except ImportError as e:
    print(f"skipped: cannot import {e.name}: {e}")
    sys.exit(77)

TOLERANCE_S = 0.5
UNIX_EPOCH_RJD = 40587.5  # 1970-01-01 0h UT
MJD_ZERO = datetime(1858, 11, 17)  # RJD 0.5
ZONES = ["Europe/Berlin", "Europe/London", "America/New_York", "America/Santiago", "Australia/Sydney",
         "Pacific/Auckland", "Asia/Kolkata", "America/St_Johns", "Africa/Johannesburg"]
ZONE_FROM = int(datetime(1970, 1, 1, tzinfo=timezone.utc).timestamp())
ZONE_TO = int(datetime(2038, 1, 1, tzinfo=timezone.utc).timestamp())

failures = []


def ask(probe, lines):
    if not lines:
        return []
    out = subprocess.run([probe], input="\n".join(lines) + "\n", capture_output=True, text=True, check=True).stdout
    answers = out.splitlines()
    assert len(answers) == len(lines), "the probe did not answer every line"
    return answers


def rjd_of_ts(ts):
    return ts / 86400 + UNIX_EPOCH_RJD


def ts_of_rjd(rjd):
    return round((rjd - UNIX_EPOCH_RJD) * 86400) if abs(rjd) != float("inf") else rjd


def clock_of_rjd(rjd):
    """The UTC clock reading of an RJD, days of 86400 s as the tool reads them
    (astropy's JD on UTC stretches a leap-second day instead)."""
    return (MJD_ZERO + timedelta(days=rjd - 0.5)).isoformat()


def check_light_time(probe):
    rng = np.random.default_rng(22)
    n = 400
    ra = rng.uniform(0, 24, n)
    dec = np.degrees(np.arcsin(rng.uniform(-1, 1, n)))
    element = rng.uniform(33282.5, 88434.5, n)  # 1950-01-01 to 2100-12-31
    # Late on leap-second days, where reading UTC by 86400-s days matters.
    element[:4] = [41499.375, 47892.375, 51179.375, 57754.375]
    geocentre = EarthLocation.from_geocentric(0, 0, 0, unit="m")
    sky = SkyCoord(ra=ra * 15 * u.deg, dec=dec * u.deg)
    for scale in ("hjd", "bjd"):
        utc = np.array([float(a) for a in ask(probe, [f"earth {scale} {r!r} {d!r} {e!r}"
                                                      for r, d, e in zip(ra, dec, element)])])
        t = Time([clock_of_rjd(x) for x in utc], format="isot", scale="utc", location=geocentre)
        if scale == "hjd":
            back = utc + t.light_travel_time(sky, "heliocentric", ephemeris="builtin").to_value(u.day)
        else:
            b = t.tdb + t.light_travel_time(sky, "barycentric", ephemeris="builtin")
            back = (b.jd1 - 2400000) + b.jd2
        error = (back - element) * 86400
        worst = int(np.argmax(np.abs(error)))
        print(f"{scale}: largest error {abs(error[worst]) * 1000:.3f} ms "
              f"(RA {ra[worst]:.3f} h, Dec {dec[worst]:.2f} deg, RJD {element[worst]:.5f})")
        for i in np.flatnonzero(np.abs(error) > TOLERANCE_S):
            failures.append(f"{scale} RA {ra[i]:.4f} h Dec {dec[i]:.3f} RJD {element[i]:.6f}: "
                            f"UTC {utc[i]:.8f} is {error[i]:+.3f} s off")


def zone_key(zone, ts):
    d = datetime.fromtimestamp(ts, zone)
    return int(d.utcoffset().total_seconds()), d.tzname(), bool(d.dst())


def zone_changes(zone):
    """The first second of each new (offset, abbreviation, dst) in [ZONE_FROM, ZONE_TO),
    by bisection between six-hourly samples."""
    changes, step = [], 6 * 3600
    prev = zone_key(zone, ZONE_FROM)
    for t in range(ZONE_FROM + step, ZONE_TO, step):
        if zone_key(zone, t) == prev:
            continue
        lo, hi = t - step, t
        while hi - lo > 1:
            mid = (lo + hi) // 2
            lo, hi = (mid, hi) if zone_key(zone, mid) == prev else (lo, mid)
        changes.append(hi)
        prev = zone_key(zone, hi)
    return changes


def check_zone(probe, name, rng):
    zone = ZoneInfo(name)
    changes = zone_changes(zone)
    change_set = set(changes)
    offset_changes = [c for c in changes if zone_key(zone, c - 1)[0] != zone_key(zone, c)[0]]

    # Offsets and spans at random instants and either side of every change.
    instants = sorted({rng.randrange(ZONE_FROM, ZONE_TO) for _ in range(300)} |
                      {c + d for c in changes for d in (-1, 0, 1)})
    for ts, answer in zip(instants, ask(probe, [f"zone {name} {rjd_of_ts(ts):.10f}" for ts in instants])):
        offset, start, end, dst, abbrev = answer.split()
        got = (int(offset), abbrev, dst == "1")
        start, end = ts_of_rjd(float(start)), ts_of_rjd(float(end))
        want = zone_key(zone, ts)
        bounds_ok = start <= ts < end and all(b in change_set or not ZONE_FROM < b < ZONE_TO for b in (start, end))
        if got != want or not bounds_ok:
            failures.append(f"{name} at {datetime.fromtimestamp(ts, timezone.utc)} UT: (offset, abbreviation, dst) "
                            f"{got} in [{start}, {end}), zoneinfo {want}")

    # The spans over the whole years change offset where zoneinfo does.
    spans = [s.split(":") for s in ask(probe, [f"spans {name} {rjd_of_ts(ZONE_FROM)} {rjd_of_ts(ZONE_TO - 1)}"])[0].split()]
    got = [ts_of_rjd(float(b[0])) for a, b in zip(spans, spans[1:]) if a[2] != b[2]]
    if got != offset_changes:
        failures.append(f"{name}: spans change offset at {sorted(set(got) ^ set(offset_changes))} (one side only)")

    # The nights around each change: 18:00 and 06:00 on the local days before,
    # of and after it, read back to UT.
    readings = []
    for c in offset_changes:
        day = datetime.fromtimestamp(c, zone).date()
        for k in (-1, 0, 1):
            for hour in (6, 18):
                local = datetime.combine(day + timedelta(days=k), datetime.min.time()).replace(hour=hour)
                readings.append((local, int(local.replace(tzinfo=zone).timestamp())))
    answers = ask(probe, [f"local {name} {(local - MJD_ZERO) / timedelta(days=1) + 0.5:.10f}" for local, _ in readings])
    for (local, want), answer in zip(readings, answers):
        if ts_of_rjd(float(answer)) != want:
            failures.append(f"{name}: local {local} is UT {ts_of_rjd(float(answer))}, zoneinfo {want}")
    print(f"{name}: {len(changes)} changes, {len(instants)} instants, {len(readings)} local readings")


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: time_model_check.py PROBE")
    probe = sys.argv[1]
    # No network: the Earth's centre needs no UT1 or polar motion, and the
    # bundled leap-second table is current enough. Before 1960 ERFA calls the
    # year dubious and reads UTC as TAI, as the model does.
    iers.conf.auto_download = False
    iers.conf.iers_degraded_accuracy = "ignore"
    warnings.simplefilter("ignore", erfa.ErfaWarning)
    warnings.simplefilter("ignore", AstropyWarning)
    check_light_time(probe)
    rng = random.Random(22)
    for name in ZONES:
        check_zone(probe, name, rng)
    if failures:
        print(f"{len(failures)} failures:")
        print("\n".join(failures[:100]))
        return 1
    print("all agree")
    return 0


if __name__ == "__main__":
    sys.exit(main())
