#!/usr/bin/env python3
"""Projects grids of points with trelvo-cli and with PROJ's own cs2cs, and compares them to the
printed decimals: UTM zones of both hemispheres, the zone `auto` picks (Norway's and
Svalbard's exceptions), a polygon across a zone boundary kept in one zone, national grids.

    compare_cs2cs.py TRELVO_CLI
"""
import os
import subprocess
import sys
import tempfile


def kml(points):
    placemarks = "".join(
        f"<Placemark><Point><coordinates>{lon},{lat},0</coordinates></Point></Placemark>"
        for lon, lat in points)
    return f"<kml><Document>{placemarks}</Document></kml>"


def grid(lons, lats):
    return [(lon, lat) for lat in lats for lon in lons]


def cs2cs(points, target, decimals):
    text = "".join(f"{lon} {lat}\n" for lon, lat in points)
    out = subprocess.run(["cs2cs", "-f", f"%.{decimals}f", "OGC:CRS84", target], input=text,
                         capture_output=True, text=True, check=True).stdout
    return [tuple(line.split()[:2]) for line in out.splitlines()]


def trelvo(cli, folder, points, options, fields="easting,northing"):
    path = os.path.join(folder, "points.kml")
    with open(path, "w", encoding="utf-8") as file:
        file.write(kml(points))
    out = subprocess.run([cli, "-t", "point", "--layout", "table", "--no-header", "--fields",
                          fields, *options, "-o", "-", path], capture_output=True, text=True,
                         check=True)
    return [tuple(line.split(",")) for line in out.stdout.splitlines()], out.stderr


def check(label, actual, expected):
    if actual != expected:
        for i, (got, want) in enumerate(zip(actual, expected)):
            if got != want:
                sys.exit(f"{label}: point {i + 1} is {got}, cs2cs gives {want}")
        sys.exit(f"{label}: {len(actual)} points, cs2cs gives {len(expected)}")


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as folder:
        # Zones of both hemispheres, each at its central meridian, edges and beyond.
        for zone in (1, 31, 32, 60):
            middle = -183 + 6 * zone
            lons = [middle - 3.4, middle - 1.25, middle, middle + 2.9]
            for hemisphere, lats in (("N", [0.5, 23.75, 48.1, 83.9]), ("S", [-0.5, -33.9, -79.9])):
                points = grid(lons, lats)
                code = (32600 if hemisphere == "N" else 32700) + zone
                actual, _ = trelvo(cli, folder, points, [f"--utm={zone}{hemisphere}"])
                check(f"UTM {zone}{hemisphere}", actual, cs2cs(points, f"EPSG:{code}", 3))
        # `auto`: the zone of the first point, also Norway's and Svalbard's, kept for all.
        for first, code in (((7.5, 46.2), 32632), ((5.0, 60.0), 32632), ((10.0, 78.0), 32633),
                            ((30.0, 78.0), 32635), ((-70.5, -33.4), 32719), ((179.9, 10.0), 32660)):
            points = [first, (first[0] + 0.01, first[1] - 0.01)]
            actual, _ = trelvo(cli, folder, points, ["--utm"], "zone,easting,northing")
            zone = f"{code % 100}{'S' if code >= 32700 else 'N'}"
            check(f"auto at {first}", actual,
                  [(zone, *xy) for xy in cs2cs(points, f"EPSG:{code}", 3)])
        # A polygon across the boundary of zones 32 and 33 stays in 32, and says so.
        ring = [(11.5, 48.0), (13.5, 48.0), (13.5, 48.5), (11.5, 48.0)]
        actual, report = trelvo(cli, folder, ring, ["--utm"])
        check("across zones", actual, cs2cs(ring, "EPSG:32632", 3))
        if "2 vertices lie outside its area of use" not in report:
            sys.exit(f"across zones: the report does not say so:\n{report}")
        # The classic layout, of batches projected on both of its threads.
        points = grid([8.0 + i * 0.0007 for i in range(200)], [47.0 + i * 0.0011 for i in range(120)])
        path = os.path.join(folder, "many.kml")
        with open(path, "w", encoding="utf-8") as file:
            file.write(kml(points))
        out = subprocess.run([cli, "-t", "point", "--utm=32N", "-o", "-", path],
                             capture_output=True, text=True, check=True).stdout
        rows = [tuple(line.split(",")[:2]) for line in out.splitlines()[6:]]
        check("classic layout", rows, cs2cs(points, "EPSG:32632", 3))
        # National grids, with other decimals.
        for target, lons, lats in (("EPSG:27700", [-4.5, -1.25, 1.6], [50.2, 53.5, 57.9]),
                                   ("EPSG:2056", [6.1, 7.45, 10.3], [45.9, 46.95, 47.7])):
            points = grid(lons, lats)
            actual, _ = trelvo(cli, folder, points, ["--t-srs", target, "--decimals", "2"])
            check(target, actual, cs2cs(points, target, 2))


if __name__ == "__main__":
    main()
