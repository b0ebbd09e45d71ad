#!/usr/bin/env python3
"""Writes null_corpus.csv: 300 random null-test set-ups a mirror maker could own.

Made once with a fixed seed and committed; the corpus test and the corpus
benchmark read the file, never this script. Mirrors of 100 to 600 mm at f/2.5
to f/12 with conics from -4 to +1; lenses of every form (plano-convex either
way round, biconvex, meniscus, plano-concave, biconcave) of 20 to 120 mm and
indices 1.45 to 1.95, with radii larger than the lens's semi-diameter and a
centre thickness that leaves an edge of at least 1 mm. Lengths in mm, flat
faces as 9e99.
"""
import math
import random

SEED = 20261207
COUNT = 300
FLAT = 9e99


def sag(radius, semi):
    """Sag of a spherical face at height semi, positive toward the face's centre."""
    if abs(radius) >= FLAT:
        return 0.0
    r = abs(radius)
    return math.copysign(r - math.sqrt(r * r - semi * semi), radius)


def lens(rng):
    diameter = round(rng.uniform(20.0, 120.0))
    semi = 0.5 * diameter
    index = round(rng.uniform(1.45, 1.95), 4)
    form = rng.choice(["plano_convex", "convex_plano", "biconvex", "meniscus", "plano_concave",
                       "biconcave"])
    # Radii between 1.1 and 12 semi-diameters, rounded to 0.1 mm.
    def radius():
        return round(semi * math.exp(rng.uniform(math.log(1.1), math.log(12.0))), 1)
    # Signs with the mirror on the right: a source-side face bulging toward the
    # source is positive, a mirror-side face bulging toward the mirror negative.
    if form == "plano_convex":
        r1, r2 = FLAT, -radius()
    elif form == "convex_plano":
        r1, r2 = radius(), FLAT
    elif form == "biconvex":
        r1, r2 = radius(), -radius()
    elif form == "meniscus":
        a, b = sorted([radius(), radius()])
        if a == b:
            b = round(b * 1.5, 1)
        r1, r2 = (a, b) if rng.random() < 0.5 else (-b, -a)
    elif form == "plano_concave":
        r1, r2 = FLAT, radius()
    else:
        r1, r2 = -radius(), radius()
    # Centre thickness: the faces' sags at the rim plus an edge of 1 to 6 mm.
    centre = sag(r1, semi) - sag(r2, semi)
    thickness = round(max(centre, 0.0) + rng.uniform(1.0, 6.0), 1)
    if centre < 0:
        thickness = round(rng.uniform(2.0, 8.0), 1)
    return r1, r2, thickness, diameter, index, form


def main():
    rng = random.Random(SEED)
    lines = ["mirror_diameter,mirror_roc,conic,source_radius,mirror_side_radius,thickness,"
             "lens_diameter,index,lens_form"]
    for _ in range(COUNT):
        diameter = round(rng.uniform(100.0, 600.0))
        focal_ratio = rng.uniform(2.5, 12.0)
        roc = round(2.0 * focal_ratio * diameter)
        conic = round(rng.uniform(-4.0, 1.0), 3)
        r1, r2, thickness, lens_diameter, index, form = lens(rng)
        text = lambda r: "9e99" if abs(r) >= FLAT else repr(r)
        lines.append(f"{diameter},{roc},{conic},{text(r1)},{text(r2)},{thickness},"
                     f"{lens_diameter},{index},{form}")
    with open("null_corpus.csv", "w", encoding="ascii", newline="\n") as out:
        out.write("\n".join(lines) + "\n")


if __name__ == "__main__":
    main()
