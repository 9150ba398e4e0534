#!/usr/bin/env python3
"""Reads what `tecris2nx report` writes with real parsers: index.csv with csv, the GeoJSON with
json (and RFC 7946's rules), the KML and the HTML page with XML and HTML parsers, and checks the
Tokyo datum's positions against PROJ's cs2cs.

usage: report_files_check.py TECRIS2NX SOURCE_DIR
"""
import csv
import html.parser
import io
import json
import math
import pathlib
import random
import shutil
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

PROGRAM, SOURCE = sys.argv[1], pathlib.Path(sys.argv[2])
PATDAT = SOURCE / "examples" / "sample-patdat"
KML = "{http://www.opengis.net/kml/2.2}"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def tecris(identifier, lat, lon, survey="Survey"):
    text = (
        f"A\r\n{identifier},2.10,1,0,0\r\n\"{survey}\",\"o\",\"d\",\"d\"\r\n"
        f"\"No.1\",1,90,3,2026041234,0,0,0,{lat},{lon}\r\n"
        "8.62,13102,\"x\",10,92.5,7,10,8.6,0,0\r\n1,1,0\r\n1,10,100,5,10,2,2026,4,\"c\"\r\n"
        "B,x,y\r\n1\r\nB,1,1,3.00,1300,砂,H,\r\nC\r\n\"t\",0,1\r\n1,1,1,1.15,12,30\r\n"
    )
    return text.encode("cp932")


def report(folder, files, *options):
    out = folder / "out"
    shutil.rmtree(out, ignore_errors=True)
    subprocess.run([PROGRAM, "report", "--patdat", str(PATDAT), *options, "-o", str(out), *files],
                   check=True, capture_output=True)
    return out


def read_files(out, count):
    raw = (out / "index.csv").read_bytes()
    check(raw.startswith(b"\xef\xbb\xbf"), "index.csv starts with a byte-order mark")
    check(raw.count(b"\n") == raw.count(b"\r\n"), "index.csv lines end in CR LF")
    rows = list(csv.reader(io.StringIO(raw.decode("utf-8-sig"), newline="")))
    check(len(rows) == count + 1, f"index.csv has a row per file: {len(rows)} for {count}")
    check(all(len(r) == len(rows[0]) for r in rows), "index.csv rows are as wide as its header")

    collection = json.loads((out / "boreholes.geojson").read_text("utf-8"))
    check(collection["type"] == "FeatureCollection", "GeoJSON is a FeatureCollection")
    check("crs" not in collection, "RFC 7946 has no crs member")
    features = collection["features"]
    for f in features:
        check(f["type"] == "Feature" and f["geometry"]["type"] == "Point", "a feature is a point")
        lon, lat = f["geometry"]["coordinates"]
        check(-180 <= lon <= 180 and -90 <= lat <= 90, "coordinates in range")
        # Longitude first: in Japan it is the larger of the two.
        check(122 <= lon <= 154 and 20 <= lat <= 46, f"longitude first: {lon}, {lat}")
        check(f["properties"]["longitude"] == lon, "properties as the index")

    root = ET.parse(out / "boreholes.kml").getroot()
    marks = root.findall(f"{KML}Document/{KML}Placemark")
    check(len(marks) == len(features), "a placemark per feature")
    for mark in marks:
        lon, lat = map(float, mark.find(f"{KML}Point/{KML}coordinates").text.split(","))
        check(122 <= lon <= 154 and 20 <= lat <= 46, "KML coordinates are longitude, latitude")

    page = (out / "report.html").read_text("utf-8")
    parser = PageParser()
    parser.feed(page)
    parser.close()
    check(parser.stack == [], f"report.html closes every element: {parser.stack[-3:]}")
    check(not parser.outside, f"report.html fetches nothing: {parser.outside[:3]}")
    return rows, features, marks, page


class PageParser(html.parser.HTMLParser):
    """Keeps the open elements and any reference outside the page."""
    VOID = {"meta", "br", "img", "link", "input", "hr", "col"}

    def __init__(self):
        super().__init__()
        self.stack, self.outside = [], []

    def handle_starttag(self, tag, attrs):
        if tag == "script":
            self.outside.append("script")
        for name, value in attrs:
            if name in ("src", "href") and value and not value.startswith("#"):
                self.outside.append(value)
        if tag not in self.VOID:
            self.stack.append(tag)

    def handle_startendtag(self, tag, attrs):
        pass

    def handle_endtag(self, tag):
        if self.stack and self.stack[-1] == tag:
            self.stack.pop()
        else:
            failures.append(f"report.html: </{tag}> closes <{self.stack[-1:]}>")


def escaping(folder):
    files = []
    for i, survey in enumerate(["a,b", "<b>&amp;'", "line\r\nbreak", "ctrl\x01x", "=1+2"], 1):
        path = folder / f"esc.00{i}"
        path.write_bytes(tecris(f"2604001200{i}", "3539450", "13944500", survey))
        files.append(str(path))
    rows, features, marks, page = read_files(report(folder, files), len(files))
    surveys = [r[2] for r in rows[1:]]
    check(surveys == ["a,b", "<b>&amp;'", "line\\x0D\\x0Abreak", "ctrl\\x01x", "'=1+2"],
          f"CSV keeps the survey names: {surveys}")
    check([f["properties"]["survey"] for f in features][:2] == ["a,b", "<b>&amp;'"],
          "JSON keeps the survey names")
    check(marks[1].find(f"{KML}description").text.startswith("<b>&amp;'"),
          "KML keeps the survey names")
    check("&lt;b&gt;&amp;amp;&#39;" in page, "HTML escapes the survey names")


def tokyo_against_proj(folder):
    cs2cs = shutil.which("cs2cs")
    if not cs2cs:
        failures.append("cs2cs is missing: bash scripts/setup.sh installs proj-bin")
        return
    rng = random.Random(46)
    files, codes = [], []
    for i in range(40):
        lat = (rng.randint(24, 45), rng.randint(0, 59), rng.randint(0, 599))
        lon = (rng.randint(123, 153), rng.randint(0, 59), rng.randint(0, 599))
        lat_code, lon_code = "%02d%02d%03d" % lat, "%03d%02d%03d" % lon
        path = folder / f"tokyo.{i:03d}"
        path.write_bytes(tecris(f"2604001{i:04d}", lat_code, lon_code))
        files.append(str(path))
        codes.append(tuple(d + m / 60 + t / 36000 for d, m, t in (lat, lon)))
    rows, *_ = read_files(report(folder, files, "--datum", "tokyo"), len(files))
    proj = subprocess.run([cs2cs, "-f", "%.9f", "EPSG:4301", "EPSG:4612"], check=True,
                          capture_output=True, text=True,
                          input="".join(f"{a:.9f} {b:.9f}\n" for a, b in codes)).stdout
    for row, line in zip(rows[1:], proj.splitlines()):
        want_lat, want_lon = map(float, line.split()[:2])
        got_lat, got_lon = float(row[3]), float(row[4])
        north = (got_lat - want_lat) * 111320
        east = (got_lon - want_lon) * 111320 * math.cos(math.radians(want_lat))
        check(math.hypot(north, east) < 0.5, f"{row[1]}: {math.hypot(north, east):.3f} m from PROJ")
    check(all("JGD2000" in r[5] for r in rows[1:]), "the datum column names JGD2000")


def main():
    with tempfile.TemporaryDirectory() as tmp:
        folder = pathlib.Path(tmp)
        delivery = sorted(str(p) for p in (SOURCE / "examples" / "delivery").iterdir())
        rows, features, _, _ = read_files(report(folder, delivery), len(delivery))
        check(len(features) == 6, f"six of the delivery's holes are placed: {len(features)}")
        escaping(folder)
        tokyo_against_proj(folder)
    for failure in failures:
        print("FAILED:", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
