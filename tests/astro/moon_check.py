#!/usr/bin/python3
"""The Moon against astropy, through tevaro_moon_probe.

For generated instants 1950-2100, sites all over the Earth and stars all over
the sky: the Moon's topocentric altitude (geometric, no refraction) and its
angular distance from the star within 0.2 degree of astropy's topocentric Moon
(get_body("moon", time, location)), its illuminated fraction within 0.01 of
the fraction from astropy's geocentric Sun and Moon.

Usage: moon_check.py PROBE. Exit 0 all agree, 1 failures listed, 77 when
astropy cannot be imported.
"""
import subprocess
import sys
import warnings

try:
    import erfa
    import numpy as np
    import astropy.units as u
    from astropy.coordinates import AltAz, EarthLocation, SkyCoord, get_body
    from astropy.time import Time
    from astropy.utils import iers
    from astropy.utils.exceptions import AstropyWarning
except ImportError as e:
    print(f"skipped: cannot import {e.name}: {e}")
    sys.exit(77)

ANGLE_TOLERANCE_DEG = 0.2
FRACTION_TOLERANCE = 0.01
RJD_TO_MJD = -0.5


def main():
    if len(sys.argv) != 2:
        print(__doc__)
        return 2
    iers.conf.auto_download = False
    iers.conf.iers_degraded_accuracy = "ignore"
    warnings.simplefilter("ignore", erfa.ErfaWarning)
    warnings.simplefilter("ignore", AstropyWarning)

    rng = np.random.default_rng(24)
    n = 500
    rjd = rng.uniform(33282.5, 88434.5, n)  # 1950-01-01 to 2100-12-31
    west = rng.uniform(-180, 180, n)
    lat = np.degrees(np.arcsin(rng.uniform(-1, 1, n)))
    lat[:3] = [89.9, -89.9, 0.0]
    ra = rng.uniform(0, 24, n)
    dec = np.degrees(np.arcsin(rng.uniform(-1, 1, n)))

    lines = [f"moon {t!r} {w!r} {b!r} {r!r} {d!r}" for t, w, b, r, d in zip(rjd, west, lat, ra, dec)]
    out = subprocess.run([sys.argv[1]], input="\n".join(lines) + "\n", capture_output=True, text=True,
                         check=True).stdout.splitlines()
    assert len(out) == n, "the probe did not answer every line"
    ours = np.array([[float(x) for x in a.split()] for a in out])

    time = Time(rjd + RJD_TO_MJD, format="mjd", scale="utc")
    site = EarthLocation.from_geodetic(lon=-west * u.deg, lat=lat * u.deg, height=0 * u.m)
    moon = get_body("moon", time, site)
    altitude = moon.transform_to(AltAz(obstime=time, location=site)).alt.deg
    distance = moon.separation(SkyCoord(ra=ra * 15 * u.deg, dec=dec * u.deg)).deg
    sun_geo = get_body("sun", time)
    moon_geo = get_body("moon", time)
    elongation = sun_geo.separation(moon_geo).rad
    rs, rm = sun_geo.distance.au, moon_geo.distance.au
    phase = np.arctan2(rs * np.sin(elongation), rm - rs * np.cos(elongation))
    fraction = (1 + np.cos(phase)) / 2

    failures = []
    worst = [0.0, 0.0, 0.0]
    for k in range(n):
        errors = [abs(ours[k, 0] - altitude[k]), abs(ours[k, 1] - fraction[k]), abs(ours[k, 2] - distance[k])]
        worst = [max(a, b) for a, b in zip(worst, errors)]
        if errors[0] > ANGLE_TOLERANCE_DEG or errors[1] > FRACTION_TOLERANCE or errors[2] > ANGLE_TOLERANCE_DEG:
            failures.append(f"{lines[k]}: ours {out[k]}, astropy {altitude[k]:.6f} {fraction[k]:.6f} {distance[k]:.6f}")
    print(f"{n} instants; worst altitude {worst[0]:.4f} deg, fraction {worst[1]:.5f}, distance {worst[2]:.4f} deg")
    for f in failures[:20]:
        print("FAIL", f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
