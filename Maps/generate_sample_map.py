#!/usr/bin/env python3
"""Writes the sample map of Harrowmere and its villages beside this script.

M layer (Mtown.mif/.mid): one Point per junction, coded 1, 2, 3, ... in file
order. S layer (Stown.mif/.mid): one Pline per road segment with the codes of
its end points and its length in metres. Coordinates are whole chains (about
20 m) on a local grid shifted to look like projected coordinates; the map spans
about 150 x 90 chains, so a 683 x 397 pixel view draws it at 4 pixels per
chain on both axes. A fixed seed makes every run write the same files.
"""
import math
import os
import random

OFFSET_X, OFFSET_Y = 22400, 258500
METRES_PER_CHAIN = 20.1168
FOLDER = os.path.dirname(os.path.abspath(__file__))
rng = random.Random(1879)
points = []  # (x, y, name); the code of points[i] is i + 1
segments = []  # (from code, to code, vertices, length in metres)


def add_point(x, y, name):
    """Adds a junction at (x, y), moved east past any taken spot; returns its code."""
    assert len(name) <= 40, name
    while any(p[:2] == (x, y) for p in points):
        x += 1
    points.append((x, y, name))
    return len(points)


def at(code):
    """The spot of the junction with this code."""
    return points[code - 1][:2]


def along(p, q, t, off):
    """The whole-chain spot at fraction t of the way from p to q, moved off chains to the left."""
    (px, py), (qx, qy), dist = p, q, math.dist(p, q)
    return (round(px + t * (qx - px) + off * (py - qy) / dist),
            round(py + t * (qy - py) + off * (qx - px) / dist))


def add_road(a, b, wobble):
    """Adds a segment from junction a to b with up to four bends of at most wobble chains."""
    p, q = at(a), at(b)
    bends = rng.randint(0, min(4, int(math.dist(p, q) / 2)))
    vertices = [p]
    for k in range(1, bends + 1):
        v = along(p, q, k / (bends + 1), rng.uniform(-wobble, wobble))
        if v not in (vertices[-1], q):
            vertices.append(v)
    vertices.append(q)
    metres = sum(map(math.dist, vertices, vertices[1:])) * METRES_PER_CHAIN
    segments.append((a, b, vertices, max(1, round(metres))))


def find(root, c):
    """The representative of c's set in the union-find forest root."""
    while root[c] != c:
        c = root[c]
    return c


def pick_links(cells, keep):
    """Neighbour links of the grid cells: a random spanning tree, so the grid stays
    one piece, plus each further link with probability keep; in grid order."""
    links = [(c, d) for c in cells for d in ((c[0] + 1, c[1]), (c[0], c[1] + 1)) if d in cells]
    root, chosen = {c: c for c in cells}, set()
    for c, d in rng.sample(links, len(links)):
        if find(root, c) != find(root, d) or rng.random() < keep:
            root[find(root, c)] = find(root, d)
            chosen.add((c, d))
    return [link for link in links if link in chosen]


def add_grid(cx, cy, ns_streets, ew_streets, spacing, place=""):
    """Lays out a street grid within the ellipse around (cx, cy) that the street
    lists span; a junction strays a chain now and then; returns the junction codes."""
    cols, rows, cells = len(ns_streets), len(ew_streets), {}
    for j in range(rows):
        for i in range(cols):
            u, v = (i - (cols - 1) / 2) / (cols / 2), (j - (rows - 1) / 2) / (rows / 2)
            if u * u + v * v <= 1:
                x = round(cx + u * cols / 2 * spacing) + rng.choice((-1, 0, 0, 0, 1))
                y = round(cy + v * rows / 2 * spacing) + rng.choice((-1, 0, 0, 0, 1))
                cells[i, j] = add_point(x, y, f"{ns_streets[i]} & {ew_streets[j]}{place}")
    for c, d in pick_links(cells, 0.85):
        add_road(cells[c], cells[d], 0.6)
    return list(cells.values())


def nearest(codes, code):
    """The junction among codes that lies nearest to the junction code."""
    return min(codes, key=lambda c: math.dist(at(c), at(code)))


def add_country_road(name, a, b, landmarks, farms):
    """Joins junctions a and b by a winding road with a junction about every ten
    chains, some of them at the end of a farm track."""
    p, q = at(a), at(b)
    stops, previous = max(1, round(math.dist(p, q) / 10)), a
    for k in range(1, stops):
        off = rng.uniform(-2.5, 2.5)
        node = add_point(*along(p, q, k / stops, off), f"{name} at {landmarks.pop()}")
        add_road(previous, node, 1.5)
        if rng.random() < 0.4:
            farm = along(p, q, k / stops, off + rng.choice((-4, 4)))
            add_road(node, add_point(*farm, farms.pop()), 1.0)
        previous = node
    add_road(previous, b, 1.5)


def build_region():
    """Lays out the town, its villages and country roads, the island, the quarry and farms."""
    landmarks = ("Ash Bridge|Gallows Cross|Long Barn|Cuckoo Pound|Hangman Stone|Fox Covert|"
                 "Lime Kiln|Toll House|Five Ways|Watersplash|Black Pits|Tinkers Oak|Sheepwash|"
                 "Old Forge|Chalk Pit|Stoney Ford|Gibbet Hill").split("|")
    farms = [f"{name} Farm" for name in "Pike|Hollins|Moor End|Crabtree|Bratton|Yewtree|Goosey|"
             "Coldkitchen|Littlecote|Withy Bed|Pennyhill|Starveacre".split("|")]
    north_south = ("Tanners Ln|Kiln Rd|Orchard St|Priory Rd|Bell St|Church St|Sheep St|Market St|"
                   "Bridge St|Abbey Rd|Fore St|Well Ln|Chapel Rd|Ropewalk|Mount St|Baker St|"
                   "Quarry Rd|Beacon Rd|Foundry Ln|Rectory Rd").split("|")
    east_west = ("Station Rd|Victoria Rd|Mill Ln|Castle St|Paradise Row|King St|High St|"
                 "Market Pl|Silver St|Park Rd|Albert Rd|Gas Ln|Nelson St|Windmill Hill").split("|")
    town = add_grid(60, 45, north_south, east_west, 4)
    lanes = ["Pound Ln", "Church Ln", "The Street", "Back Ln", "Smithy Ln"]
    roads = ["Lower Rd", "Green Ln", "Top Rd", "Hill Rd"]
    villages = {name: add_grid(x, y, rng.sample(lanes, 5), rng.sample(roads, 4), 4, f" ({name})")
                for name, x, y in [("Alder Green", 128, 78), ("Coldharbour", 130, 11),
                                   ("Nethercombe", 14, 11), ("Wick End", 16, 79)]}
    for name, village in villages.items():
        gate = nearest(town, village[len(village) // 2])
        add_country_road(f"{name} Rd", gate, nearest(village, gate), landmarks, farms)
    add_country_road("Drove Rd", villages["Alder Green"][0], villages["Coldharbour"][-1],
                     landmarks, farms)
    # The island of Holm and the quarry have no road to the rest.
    add_grid(143, 45, ["Quay Rd", "Lighthouse Rd"], ["South End", "Chapel Ln", "North End"], 4,
             " (Holm)")
    add_grid(6, 46, ["West Haul Rd", "Crusher Rd", "East Haul Rd"],
             ["Lower Bench", "Middle Bench", "Upper Bench"], 4, " (Brackstone)")
    for x, y, name in [(104, 3, "Hilltop Barn"), (42, 87, "Old Windmill"), (148, 88, "Beacon Trig"),
                       (70, 2, "Lodge Farm"), (98, 86, "Shepherds Hut"), (1, 30, "Warren House")]:
        add_point(x, y, name)


def write(name, columns, records):
    """Writes name.mif with the given attribute columns and the geometry lines of
    records, and name.mid with their attribute rows; records are (lines, row)."""
    low, high = f"({OFFSET_X - 1000}, {OFFSET_Y - 1000})", f"({OFFSET_X + 1000}, {OFFSET_Y + 1000})"
    header = ["Version 300", 'Charset "Neutral"', 'Delimiter ","',
              f'CoordSys NonEarth Units "ch" Bounds {low} {high}', f"Columns {len(columns)}"]
    header += [f"  {column}" for column in columns] + ["Data", ""]
    with open(os.path.join(FOLDER, name + ".mif"), "w", newline="\n") as mif:
        mif.write("\n".join(header + [line for lines, _ in records for line in lines]) + "\n")
    with open(os.path.join(FOLDER, name + ".mid"), "w", newline="\n") as mid:
        mid.write("".join(row + "\n" for _, row in records))


def grid_text(x, y):
    """A spot as the projected coordinates written to the files."""
    return f"{x + OFFSET_X} {y + OFFSET_Y}"


def main():
    """Builds the region, checks it fits the 683 x 397 view at 4 pixels per chain, writes it."""
    build_region()
    spots = [p[:2] for p in points] + [v for s in segments for v in s[2]]
    width, height = (max(axis) - min(axis) for axis in zip(*spots))
    assert 683 // width == 4 and 397 // height == 4, (width, height)
    write("Mtown", ["Code Integer", "Name Char(40)"],
          [([f"Point {grid_text(x, y)}", "    Symbol (35,0,12)"], f'{code},"{name}"')
           for code, (x, y, name) in enumerate(points, 1)])
    write("Stown", ["From Integer", "To Integer", "Length Integer"],
          [([f"Pline {len(v)}"] + [grid_text(x, y) for x, y in v] + ["    Pen (1,2,0)"],
            f"{a},{b},{length}") for a, b, v, length in segments])
    print(f"{len(points)} points, {len(segments)} segments, extent {width} x {height} chains")


if __name__ == "__main__":
    main()
