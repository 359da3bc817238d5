#!/usr/bin/env python3
"""Writes a generated town with road classes and street names, for the
README's picture of a road map: python3 docs/road_map_town.py FOLDER writes
FOLDER/Mtown.mif, .mid and FOLDER/Stown.mif, .mid.

A ring road and a motorway skirt an irregular grid of streets about 3 km
across; a few streets are main roads, some are service lanes and footpaths
cross a park. Coordinates and lengths are metres; a fixed seed makes every
run write the same files.
"""
import math
import os
import random
import sys

rng = random.Random(26)
points = []  # (x, y); code i + 1
roads = []  # (from code, to code, vertices, class, name)
STREETS = ["Acacia Avenue", "Baker Street", "Cedar Road", "Dove Lane", "Elm Grove", "Ferry Road",
           "Garden Walk", "Hill Street", "Iris Close", "Juniper Way", "Kings Road", "Linden Avenue",
           "Market Street", "North Road", "Orchard Lane", "Park Road", "Queens Drive", "Rose Street",
           "School Lane", "Tower Hill", "Union Street", "Vale Road", "Water Lane", "York Street"]


def point(x, y):
    points.append((round(x), round(y)))
    return len(points)


def road(a, b, road_class, name, bend=0.0):
    (ax, ay), (bx, by) = points[a - 1], points[b - 1]
    vertices = [(ax, ay)]
    if bend:
        vertices.append((round((ax + bx) / 2 + bend * (by - ay)), round((ay + by) / 2 - bend * (bx - ax))))
    vertices.append((bx, by))
    roads.append((a, b, vertices, road_class, name))


def town():
    xs = [0]
    while xs[-1] < 3000:
        xs.append(xs[-1] + rng.randint(90, 170))
    ys = [0]
    while ys[-1] < 1800:
        ys.append(ys[-1] + rng.randint(80, 150))
    grid = [[point(x + rng.randint(-12, 12), y + rng.randint(-12, 12)) for x in xs] for y in ys]
    main_rows, main_columns = {len(ys) // 2: "High Street"}, {len(xs) // 3: "Church Road",
                                                              2 * len(xs) // 3: "Station Road"}
    park = (len(xs) // 2, len(ys) // 3)
    for r, row in enumerate(grid):
        for c in range(len(row) - 1):
            in_park = abs(c - park[0]) <= 1 and abs(r - park[1]) <= 1
            if r in main_rows:
                road(row[c], row[c + 1], "secondary" if r else "tertiary", main_rows[r])
            elif in_park:
                road(row[c], row[c + 1], "path", "", rng.uniform(-0.2, 0.2))
            elif rng.random() < 0.8:
                road(row[c], row[c + 1], "minor", STREETS[r % len(STREETS)], rng.choice([0, 0, 0.08]))
    for c in range(len(xs)):
        for r in range(len(ys) - 1):
            a, b = grid[r][c], grid[r + 1][c]
            if c in main_columns:
                road(a, b, "tertiary", main_columns[c])
            elif rng.random() < 0.65:
                kind = "service" if rng.random() < 0.12 else "minor"
                road(a, b, kind, STREETS[(c + 7) % len(STREETS)] if kind == "minor" else "")
    return grid


def ring(grid):
    """A primary ring road around the town, joined to the main streets, and a
    motorway along its south side with a trunk road off it."""
    cx, cy, rx, ry = 1500, 900, 1900, 1250
    codes = [point(cx + rx * math.cos(t), cy + ry * math.sin(t))
             for t in (2 * math.pi * k / 40 for k in range(40))]
    for k in range(40):
        road(codes[k], codes[(k + 1) % 40], "primary", "Ring Road")
    for r in (0, len(grid) // 2, len(grid) - 1):
        road(grid[r][0], codes[20 if r == len(grid) // 2 else (22 if r == 0 else 18)], "secondary", "West Road")
        road(grid[r][-1], codes[0 if r == len(grid) // 2 else (38 if r == 0 else 2)], "secondary", "East Road")
    west = point(-1800, -900)
    last = west
    for k in range(1, 9):
        here = point(-1800 + k * 700, -900 + 260 * math.sin(k / 2.5))
        road(last, here, "motorway", "M7")
        last = here
    road(codes[30], codes[10], "trunk", "A40", 0.25)
    road(point(1000, -642), codes[29], "trunk", "A40")


def write(folder):
    os.makedirs(folder, exist_ok=True)
    xs = [x for x, _ in points]
    ys = [y for _, y in points]
    head = ('Version 300\nCharset "Neutral"\nDelimiter ","\nCoordSys NonEarth Units "m" Bounds '
            f'({min(xs)}, {min(ys)}) ({max(xs)}, {max(ys)})\n')
    with open(os.path.join(folder, "Mtown.mif"), "w") as mif, open(os.path.join(folder, "Mtown.mid"), "w") as mid:
        mif.write(head + "Columns 2\n  Code Integer\n  Name Char(40)\nData\n\n")
        for code, (x, y) in enumerate(points, 1):
            mif.write(f"Point {x} {y}\n")
            mid.write(f'{code},"Junction {code}"\n')
    with open(os.path.join(folder, "Stown.mif"), "w") as mif, open(os.path.join(folder, "Stown.mid"), "w") as mid:
        mif.write(head + "Columns 5\n  From Integer\n  To Integer\n  Length Integer\n  Class Char(10)\n"
                  "  Name Char(40)\nData\n\n")
        for a, b, vertices, road_class, name in roads:
            mif.write(f"Pline {len(vertices)}\n" + "".join(f"{x} {y}\n" for x, y in vertices))
            length = sum(math.dist(p, q) for p, q in zip(vertices, vertices[1:]))
            mid.write(f'{a},{b},{round(length)},{road_class},"{name}"\n')


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: road_map_town.py FOLDER")
    ring(town())
    write(sys.argv[1])
