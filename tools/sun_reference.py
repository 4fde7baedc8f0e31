#!/usr/bin/python3
"""Writes foundation/tests/data/sun_reference.csv, reference times of sunrise, sunset and
the three twilights for a few places and dates, computed with an independent astronomy
library: PyEphem 4.1.4 (Debian package python3-ephem 4.1.4-2+b1).

Usage:  /usr/bin/python3 tools/sun_reference.py > foundation/tests/data/sun_reference.csv

Conventions match the program's: the sun's centre at the given altitude (-0.833 degrees
for sunrise and sunset, which already includes refraction, so the library's own
refraction is switched off with pressure 0), sea level, and the event that falls in the
local solar day of the date (from local solar midnight, 00:00 UT - longitude / 15 hours).
Times are hours UT counted from 00:00 UT of the date (below 0 or above 24 when the event
falls on another UT date); "none" where the sun does not reach the altitude that day.
"""

import math

import ephem

PLACES = [
    # name, latitude, longitude (degrees, north and east positive), dates
    ("equator", 0.0, 0.0, ["2024-03-20", "2024-06-21", "2024-12-21"]),
    ("quito", -0.18, -78.47, ["2024-09-22"]),
    ("new_york", 40.7128, -74.006, ["2024-01-15", "2024-06-21", "2024-12-21"]),
    ("sydney", -33.8688, 151.2093, ["2024-06-21", "2024-12-21"]),
    ("cape_town", -33.92, 18.42, ["2025-03-01"]),
    ("london", 51.5, -0.12, ["2024-03-31", "2024-10-27"]),
    ("oulu", 65.0, 25.47, ["2024-06-10", "2024-06-21", "2024-12-21", "2024-12-31"]),
    ("svalbard", 80.0, 15.0, ["2024-06-21"]),
]
ALTITUDES = [-18.0, -12.0, -6.0, -0.833]


def event(lat, lon, date, altitude, rising):
    obs = ephem.Observer()
    obs.lat = str(lat)
    obs.lon = str(lon)
    obs.elevation = 0
    obs.pressure = 0
    obs.horizon = str(altitude)
    midnight_ut = ephem.Date(date.replace("-", "/") + " 00:00:00")
    start = ephem.Date(midnight_ut - lon / 15.0 / 24.0)
    obs.date = start
    sun = ephem.Sun()
    try:
        if rising:
            t = obs.next_rising(sun, use_center=True)
        else:
            t = obs.next_setting(sun, use_center=True)
    except (ephem.AlwaysUpError, ephem.NeverUpError):
        return None
    if t - start > 1.0:
        return None
    return (t - midnight_ut) * 24.0


def main():
    print("# Sun event reference times, PyEphem %s (python3-ephem 4.1.4-2+b1)." % ephem.__version__)
    print("# Written by tools/sun_reference.py; hours UT from 00:00 UT of the date.")
    print("place,latitude,longitude,date,altitude,rising,hours_ut")
    for name, lat, lon, dates in PLACES:
        for date in dates:
            for altitude in ALTITUDES:
                for rising in (1, 0):
                    h = event(lat, lon, date, altitude, rising)
                    value = "none" if h is None else "%.4f" % h
                    print("%s,%s,%s,%s,%s,%d,%s" % (name, lat, lon, date, altitude, rising, value))


if __name__ == "__main__":
    main()
