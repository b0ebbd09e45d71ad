#!/usr/bin/env python3
"""The command line built for Windows against the one built for Linux.

Runs both programs over the same cases and checks that
  - reports, messages and exit statuses are byte-identical;
  - lens files are byte-identical (only their names, made from the clock's
    texts in each system's formats, differ);
  - the JSON figures agree. Both programs compute with the same formulas in
    the same order, but the cosine, sine, exponential, logarithm and power
    come from each system's C library (glibc on Linux, mingw-w64's and the
    Windows C runtime's on Windows), and those differ in the last bit now and
    then. A figure therefore counts as the same when the two differ by no
    more than 1e-12 of the larger of the figure itself and the set-up's
    size (the mirror's radius, in the figure's unit): a residual aberration
    is the difference of two path lengths of that size and cannot be more
    exact than they are. The ends of the exact spacing range, where the P-V
    reaches its limit, carry the P-V's difference divided by its slope.

Usage: compare_cli.py --linux CLI --work DIR -- WINDOWS_COMMAND...
(WINDOWS_COMMAND is the emulator and the .exe, e.g. wine64 vantry-null-cli.exe)
Prints one line per case and the largest differences; exits 1 on a mismatch.
"""
import argparse
import json
import math
import os
import re
import shutil
import subprocess
import sys

LIMIT = 1e-12

# Reports, messages and statuses that must be byte-identical: the start-up
# entries in both units, other mirrors and lenses, glasses of both catalogs,
# the explorations, a stopped run, run errors and usage errors, and the exact
# check of the start-up set-up.
TEXT_CASES = [
    [],
    ["--units", "inch"],
    ["--units", "inch", "--mirror-diameter", "10", "--mirror-roc", "90"],
    ["--mirror-diameter", "200", "--mirror-roc", "1600"],
    ["--conic", "0"],
    ["--conic", "-1.2"],
    ["--source-radius", "500", "--mirror-side-radius", "-300"],
    ["--glass", "SF11", "--wavelength", "546.1"],
    ["--glass", "S-BSL7", "--wavelength", "405"],
    ["--glass", "F2", "--index", "1.6"],
    ["--explore", "waves=0.25"],
    ["--explore", "amount=0.5"],
    ["--units", "inch", "--explore", "waves=0.125"],
    ["--units", "inch", "--glass", "F2", "--wavelength", "486.1", "--explore", "amount=0.02"],
    ["--timeout", "0"],
    ["--mirror-roc", "abc"],
    ["--lens-diameter", "0"],
    ["--units", "inch", "--mirror-roc", "0"],
    ["--bogus"],
    ["--wavelength", "349.9"],
    ["--glass", "BK77"],
    ["--exact"],
    ["--list-glasses"],
    ["--version"],
]

# Results as JSON, compared figure by figure.
JSON_CASES = [
    ["--json"],
    ["--units", "inch", "--json"],
    ["--glass", "SF11", "--wavelength", "546.1", "--json"],
    ["--json", "--exact"],
    ["--units", "inch", "--json", "--exact"],
    ["--conic", "-1.2", "--json", "--exact"],
    ["--json", "--lens-diameter", "0"],
]

# Lens files: the solved set-up, and with an exploration its two passes too.
LENS_CASES = [
    ["--explore", "waves=0.25"],
    ["--units", "inch"],
]


def run(command, args, cwd):
    done = subprocess.run(command + args, cwd=cwd, capture_output=True, timeout=300)
    return done.returncode, done.stdout, done.stderr


def first_difference(a, b):
    n = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    return f"first difference at byte {n}: {a[n:n + 40]!r} / {b[n:n + 40]!r}"


class Figures:
    """Walks two JSON values side by side and measures their figures."""

    def __init__(self):
        self.problems = []
        self.same = 0
        self.differing = []  # (relative difference, difference of the set-up's size, path)

    def compare(self, a, b, scale, path="$"):
        if isinstance(a, dict) and isinstance(b, dict):
            if list(a) != list(b):
                self.problems.append(f"{path}: keys {list(a)} / {list(b)}")
                return
            for key in a:
                self.compare(a[key], b[key], scale, f"{path}.{key}")
        elif isinstance(a, list) and isinstance(b, list):
            if len(a) != len(b):
                self.problems.append(f"{path}: {len(a)} / {len(b)} items")
                return
            for i, (x, y) in enumerate(zip(a, b)):
                self.compare(x, y, scale, f"{path}[{i}]")
        elif isinstance(a, Number) and isinstance(b, Number):
            if a.text == b.text:
                self.same += 1
                return
            x, y = float(a.text), float(b.text)
            if path.endswith(".strehl"):
                # The Strehl ratio is exp(-(2 pi rms)^2): compared through the
                # RMS wavefront error in waves it comes from.
                x, y = (math.sqrt(-math.log(v)) / (2 * math.pi) for v in (x, y))
                path += " (as RMS waves)"
            size = scale(path)
            difference = abs(x - y)
            relative = difference / max(abs(x), abs(y))
            of_size = difference / max(abs(x), abs(y), size)
            self.differing.append((relative, of_size, path, a.text, b.text))
            # Counts (iterations) are whole numbers and must be equal.
            whole = not any(c in a.text + b.text for c in ".eE")
            if whole or of_size > LIMIT:
                self.problems.append(f"{path}: {a.text} / {b.text}")
        elif a != b:
            self.problems.append(f"{path}: {a!r} / {b!r}")


class Number:
    """A JSON number with the text it was written as."""

    def __init__(self, text):
        self.text = text


def set_up_scale(parsed):
    """The mirror's radius in each figure's unit: the run's length unit, waves
    for figures in waves, and 1 for figures without a unit."""
    inputs = parsed.get("inputs", {})
    roc = abs(float(inputs["mirror_roc"].text)) if "mirror_roc" in inputs else 1.0
    mm = 1.0 if parsed.get("units") == "mm" else 25.4
    wavelength_mm = float(parsed["wavelength_nm"].text) * 1e-6 if "wavelength_nm" in parsed else 1.0

    waves_size = roc * mm / wavelength_mm
    # The spacing range's ends are where the P-V reaches its limit: a P-V
    # may differ by LIMIT of waves_size between the systems, and moves by
    # about limit/|change| per unit of spacing there, so an end may move by
    # that difference over the slope.
    spacing_range = parsed.get("exact", {}).get("spacing_range", {})
    limit = float(spacing_range["limit_waves"].text) if "limit_waves" in spacing_range else 0.0
    ends_size = 0.0
    for side in ("shorter", "longer"):
        change = spacing_range.get(side, {}).get("spacing_change")
        if limit > 0 and isinstance(change, Number):
            ends_size = max(ends_size, waves_size * abs(float(change.text)) / limit)

    def scale(path):
        name = path.rsplit(".", 1)[-1].split("[")[0]
        if "_waves" in name or name.startswith("strehl"):
            return waves_size
        if re.search(r"\.spacing_range\.(shorter|longer)\.", path):
            return max(roc, ends_size)
        if name in ("index", "conic", "iterations", "wavelength_nm", "wavelength_microns"):
            return 0.0  # compared relative to itself
        return roc

    return scale


def parse(text):
    return json.loads(text, parse_float=Number, parse_int=Number)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--linux", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("windows", nargs="+")
    options = parser.parse_args()
    linux = [os.path.abspath(options.linux)]
    windows = options.windows[:-1] + [os.path.abspath(options.windows[-1])]
    work = os.path.abspath(options.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    failures = 0

    def report(ok, label, detail=""):
        nonlocal failures
        failures += 0 if ok else 1
        print(f"{'same' if ok else 'DIFFERENT':9} {label}{': ' + detail if detail else ''}")

    for args in TEXT_CASES:
        label = "vantry-null-cli " + " ".join(args)
        lin, win = run(linux, args, work), run(windows, args, work)
        if lin == win:
            report(True, label, f"status {lin[0]}, {len(lin[1])} + {len(lin[2])} bytes")
        else:
            which = [n for n, x, y in zip(("status", "stdout", "stderr"), lin, win) if x != y]
            detail = ", ".join(which)
            if "stdout" in which:
                detail += "; " + first_difference(lin[1], win[1])
            report(False, label, detail)

    worst = Figures()
    for args in JSON_CASES:
        label = "vantry-null-cli " + " ".join(args)
        lin, win = run(linux, args, work), run(windows, args, work)
        if lin[0] != win[0] or lin[2] != win[2]:
            report(False, label, f"status {lin[0]} / {win[0]} or messages differ")
            continue
        a, b = parse(lin[1]), parse(win[1])
        figures = Figures()
        figures.compare(a, b, set_up_scale(a))
        worst.differing += figures.differing
        if figures.problems:
            report(False, label, "; ".join(figures.problems))
        else:
            largest = max(figures.differing, default=(0.0, 0.0, "", "", ""))
            report(True, label, f"{figures.same} figures identical, {len(figures.differing)} "
                   f"within limits (largest relative difference {largest[0]:.1e} at {largest[2] or '-'})")

    for n, args in enumerate(LENS_CASES):
        label = "vantry-null-cli --save-oslo " + " ".join(args)
        written = []
        for side, command in (("linux", linux), ("windows", windows)):
            folder = os.path.join(work, f"lens_{n}_{side}")
            os.makedirs(folder)
            status, out, err = run(command, ["--save-oslo", os.path.basename(folder)] + args, work)
            # The paths, in the order written, one per line on stderr.
            paths = [os.path.join(work, p.replace("\\", "/")) for p in err.decode().splitlines()]
            written.append((status, out, [open(p, "rb").read() for p in paths], paths))
        (ls, lo, lf, lp), (ws, wo, wf, wp) = written
        ok = ls == ws and lo == wo and lf == wf and len(lf) > 0
        names = " / ".join(os.path.basename(p) for p in (lp[:1] + wp[:1]))
        report(ok, label, f"{len(lf)} and {len(wf)} lens files, contents identical={lf == wf}, "
               f"reports identical={lo == wo}; names {names}")

    # The figures that differed at all, worst first, for the record.
    if worst.differing:
        print("\nFigures that differ in their last digits (relative difference, of the set-up's size):")
        for relative, of_size, path, x, y in sorted(worst.differing, reverse=True)[:12]:
            print(f"  {relative:.1e}  {of_size:.1e}  {path}: {x} / {y}")
    total = len(TEXT_CASES) + len(JSON_CASES) + len(LENS_CASES)
    print(f"\n{total - failures} passed, {failures} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
