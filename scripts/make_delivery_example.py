#!/usr/bin/env python3
"""Writes examples/delivery/: a made-up site of eight boreholes along a levee, for the report.

One file has no position and one ends inside its penetration tests (the conversion rejects it),
so that the report's rows for both can be seen. Run again to make the same bytes.
"""
import pathlib

HERE = pathlib.Path(__file__).resolve().parent.parent / "examples" / "delivery"

# (identifier, latitude code, longitude code, layers, tests)
# layers: (bottom depth, soil code, name, colour letters); tests: (depth, N, penetration cm)
SOILS = {
    "fill": ("1001", "埋土", "DC"),
    "clay": ("1600", "粘性土", "DH"),
    "silty_sand": ("1320", "シルト質砂", "*LCH"),
    "sand": ("1300", "砂", "H"),
    "organic": ("1700", "有機質土", "K"),
    "gravel": ("1100", "礫", "C"),
    "rock": ("1093", "軟岩", "KH"),
}


def code(degrees, minutes, tenths, width):
    """Degrees, minutes and tenths of seconds as section A writes them."""
    minutes += tenths // 600
    tenths %= 600
    return f"{degrees:0{width}d}{minutes:02d}{tenths:03d}"


def place(number):
    """About 30 m apart along a line running north-east from 35°39'45.0" 139°44'50.0"."""
    step = number - 1
    return code(35, 39, 450 + 6 * step + (step % 3), 2), code(139, 44, 500 + 8 * step, 3)


def borehole(number, layers, top_n, seed, placed=True):
    lat, lon = place(number) if placed else ("", "")
    tests = []
    depth = 1.15
    bottom = layers[-1][0]
    n = 2
    while depth < bottom:
        n = min(60, n + (seed * 7 + int(depth * 13)) % 6)
        if depth > top_n:
            tests.append((depth, 50, 10 + (seed + int(depth)) % 18))
        else:
            tests.append((depth, min(n, 49), 30))
        depth = round(depth + 1.0, 2)
    return (f"26040012{number:03d}", lat, lon, layers, tests)


SITE = [
    borehole(1,
             [(0.8, "fill"), (4.5, "clay"), (9.0, "silty_sand"), (14.0, "sand"), (18.0, "gravel")],
             13.0, 1),
    borehole(2,
             [(1.1, "fill"), (3.8, "organic"), (8.2, "clay"), (13.5, "sand"), (17.0, "gravel")],
             12.5, 2),
    borehole(3,
             [(0.6, "fill"), (5.2, "clay"), (11.0, "silty_sand"), (15.5, "sand"), (20.0, "rock")],
             15.0, 3),
    borehole(4,
             [(1.4, "fill"), (6.0, "clay"), (10.5, "sand"), (16.0, "gravel")],
             11.0, 4),
    borehole(5,
             [(0.9, "fill"), (4.0, "clay"), (12.0, "sand"), (15.0, "gravel")],
             12.0, 5, placed=False),
    borehole(6,
             [(1.0, "fill"), (7.5, "organic"), (12.0, "silty_sand"), (19.0, "rock")],
             14.0, 6),
    borehole(7,
             [(0.7, "fill"), (5.5, "clay"), (9.5, "sand"), (14.5, "gravel")],
             10.5, 7),
    borehole(8,
             [(1.2, "fill"), (6.5, "clay"), (12.5, "sand"), (17.5, "gravel")],
             13.5, 8),
]


def tecris(identifier, lat, lon, layers, tests, cut_tests=False):
    lines = [
        "A",
        f"{identifier},2.10,1,0,0",
        '"河川堤防補強に伴う地質調査（サンプル）","サンプル河川事務所","2026/04/06","2026/04/24"',
        f'"No.{int(identifier[-3:])}",4.20,90,3,2026041234,0,0,0,{lat},{lon}',
        '8.62,13102,"東京都中央区",10.0,92.5,7,10.00,8.6,0,0',
        "1,1,0",
        '1,10,100,5,10,2,2026,4,"株式会社サンプル地質"',
        f"B,{identifier},土質・色調",
        str(len(layers)),
    ]
    for r, (bottom, soil) in enumerate(layers, 1):
        code, name, colour = SOILS[soil]
        lines.append(f"B,{r},1,{bottom:.2f},{code},{name},{colour},")
    lines += ["C", f'"標準貫入試験",0,{len(tests)}']
    shown = tests[: len(tests) // 2] if cut_tests else tests
    for r, (depth, n, cm) in enumerate(shown, 1):
        lines.append(f"{r},1,1,{depth:.2f},{n},{cm}")
    return ("\r\n".join(lines) + "\r\n").encode("cp932")


def main():
    HERE.mkdir(parents=True, exist_ok=True)
    for identifier, lat, lon, layers, tests in SITE:
        name = f"{identifier[:8]}.{identifier[8:]}"
        cut = identifier.endswith("007")
        (HERE / name).write_bytes(tecris(identifier, lat, lon, layers, tests, cut))


if __name__ == "__main__":
    main()
