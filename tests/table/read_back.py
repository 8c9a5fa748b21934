#!/usr/bin/env python3
"""Reads the table layout of a hard file back as its users load it: with Python's csv module,
and with GDAL's CSV driver (ogr2ogr to GeoJSON, lon/lat/alt as the geometry). Both must give
the very points and texts of the file.

    read_back.py TRELVO_CLI HARD_KML
"""
import csv
import json
import os
import subprocess
import sys
import tempfile

NAME = 'Lot 7, "North"\nfield'
LATE = "=After its geometry"
# (placemark, vertex, time, name, folder, lon, lat, alt, owner) of every row.
EXPECTED = [
    ("1", "1", "", NAME, "Site A/Parcels", 11.99, 48.0, 0.0, "M\u00fcller"),
    ("1", "2", "", NAME, "Site A/Parcels", 12.0, 48.0, 0.0, "M\u00fcller"),
    ("1", "3", "", NAME, "Site A/Parcels", 12.0, 48.01, 0.0, "M\u00fcller"),
    ("1", "4", "", NAME, "Site A/Parcels", 11.99, 48.0, 0.0, "M\u00fcller"),
    ("1", "1", "", NAME, "Site A/Parcels", 11.995, 48.002, 0.0, "M\u00fcller"),
    ("1", "2", "", NAME, "Site A/Parcels", 11.996, 48.002, 0.0, "M\u00fcller"),
    ("1", "3", "", NAME, "Site A/Parcels", 11.995, 48.003, 0.0, "M\u00fcller"),
    ("1", "4", "", NAME, "Site A/Parcels", 11.995, 48.002, 0.0, "M\u00fcller"),
    ("2", "1", "", LATE, "Site A/Parcels", -1.5, 2.25, 10.0, ""),
    ("2", "1", "", LATE, "Site A/Parcels", 3.0, 4.0, 0.0, ""),
    ("2", "2", "", LATE, "Site A/Parcels", 5.0, 6.0, 0.0, ""),
    ("3", "1", "2020-01-01T00:00:00Z", "Track", "Site A", 7.0, 8.0, 9.0, ""),
    ("3", "2", "2020-01-01T00:00:10Z", "Track", "Site A", 10.0, 11.0, 12.0, ""),
]
FIELDS = "placemark,vertex,time,name,folder,lon,lat,alt,@*"


def check(label, actual):
    if actual != EXPECTED:
        for row, (got, want) in enumerate(zip(actual, EXPECTED), 1):
            if got != want:
                sys.exit(f"{label}: row {row} is {got!r}, not {want!r}")
        sys.exit(f"{label}: {len(actual)} rows, not {len(EXPECTED)}")


def main():
    cli, kml = sys.argv[1], sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        table = os.path.join(folder, "hard.csv")
        subprocess.run([cli, "--layout", "table", "--type", "all", "--rings", "all",
                        "--fields", FIELDS, "-o", table, kml],
                       check=True, stdout=subprocess.DEVNULL)

        with open(table, newline="", encoding="utf-8") as file:
            rows = list(csv.DictReader(file))
        check("csv", [(r["placemark"], r["vertex"], r["time"], r["name"], r["folder"],
                       float(r["lon"]), float(r["lat"]), float(r["alt"]), r["owner"])
                      for r in rows])

        geojson = os.path.join(folder, "hard.geojson")
        subprocess.run(["ogr2ogr", "-f", "GeoJSON", "-oo", "X_POSSIBLE_NAMES=lon",
                        "-oo", "Y_POSSIBLE_NAMES=lat", "-oo", "Z_POSSIBLE_NAMES=alt",
                        geojson, table], check=True)
        with open(geojson, encoding="utf-8") as file:
            features = json.load(file)["features"]
        check("GDAL", [(f["properties"]["placemark"], f["properties"]["vertex"],
                        f["properties"]["time"] or "", f["properties"]["name"],
                        f["properties"]["folder"], *f["geometry"]["coordinates"],
                        f["properties"]["owner"] or "")
                       for f in features])


if __name__ == "__main__":
    main()
