#!/usr/bin/env python3
"""The command line's JSON output checked against its documented schema.

Runs the built vantry-null-cli for every kind of output --json can give (a
finished run, failed runs, a run stopped by --timeout, the exact check with
its verdict and with figures not computed, the spacing-error exploration, the
tolerance analysis, the glass list, the lens design and ranking) and validates
each output with python3-jsonschema, a validator written apart from the
program, against docs/cli-output.schema.json. Each case also says what it is
there to show (a failed run's report, a null where a figure was not computed,
...), so that a case that drifts into another kind of output fails rather than
quietly covering less.

Then it proves the schema is not vacuous: copies of the real outputs with one
key renamed, one key added or one number turned into a string, in each of
their objects and arrays, must all be rejected.

Usage: validate_json_schema.py CLI SCHEMA [--verbose]
Exit status 0 when every check holds, 1 otherwise.
"""

import importlib.metadata
import json
import os
import struct
import subprocess
import sys
import tempfile
import zlib

try:
    import jsonschema
except ImportError as error:
    sys.exit(
        "validate_json_schema.py: cannot import the Python module jsonschema (%s).\n"
        "Install it: on Debian 'apt-get install python3-jsonschema' "
        "(scripts/install-deps.sh --test), elsewhere 'pip install jsonschema'." % error
    )

# The tolerance files and the lens list some cases read.
FEW_TRIALS = '{"trials": 50, "seed": 3}'
NO_TRIALS = '{"trials": 0}'
LENS_LIST = (
    "name,part,r1,r2,ct,dia,glass,focal\n"
    # The start-up lens with a focal length its radii do not give: a warning.
    "Start-up,SU-1,206,flat,15,80,BK7,300\n"
    "Broken,B-1,206,flat,15,eighty,BK7\n"
    # A lens given by its index (no glass), one without power, one too small.
    "Indexed,,100,-100,10,50,1.6\n"
    "Plate,P,flat,flat,5,50,BK7\n"
    "Tiny,T,10,-10,8,20,BK7\n"
)
# Foucault readings of a mirror a little under-corrected, with a free zero,
# and readings with a zone off the mirror: the reduction fails.
FOUCAULT = "zone,knife\n20,10\n50,10.01\n80,10.03\n110,10.045\n140,10.06\n"
FOUCAULT_OFF = "zone,knife\n20,10\n80,10.03\n400,10.06\n"
# A list of which no row can be read: the ranking fails.
BROKEN_LIST = "Broken,B-1,206,flat,15,eighty,BK7\n"

# A measurement through the null as a term list (0.05 wave of primary
# spherical more than the null leaves), and a grid taken at another
# wavelength than the test's.
MEASURED_TERMS = "0\n0\n0\n0\n0\n0\n0\n0\n0.05\n"
OTHER_LAMBDA_WFT = "3\n3\n" + "0.1\n" * 9 + "Lambda 532\n"


def exact(doc):
    return doc.get("exact") or {}


def tolerance(doc):
    return doc.get("tolerance") or {}


def foucault(doc):
    return doc.get("foucault") or {}


# (name, arguments, exit status, schema part, what the output must show).
# {few}, {none} and {list} stand for the files above.
CASES = [
    ("run finished", ["--json"], 0, "runResult",
     lambda d: d["converged"] and "exact" not in d),
    ("run finished, inches", ["--json", "--units", "inch"], 0, "runResult",
     lambda d: d["units"] == "inch"),
    ("run failed: unreadable entry", ["--json", "--mirror-roc", "abc"], 1, "failedRun",
     lambda d: d["report"].endswith("-> abc mm\n")),
    # A lens of no diameter is read, then divides by zero.
    ("run failed: arithmetic", ["--json", "--lens-diameter", "0"], 1, "failedRun",
     lambda d: "Lens Focal Length" in d["report"]),
    ("run stopped by --timeout", ["--json", "--timeout", "0"], 3, "runResult",
     lambda d: not d["converged"]),
    ("run and exact check stopped by --timeout", ["--json", "--exact", "--timeout", "0"], 3,
     "runResult",
     lambda d: exact(d)["cancelled"] and exact(d)["pv_waves"] is None
     and exact(d)["verdict"]["status"] == "not_a_null"),
    ("exact check, verdict ok", ["--json", "--exact"], 0, "runResult",
     lambda d: exact(d)["ok"] and exact(d)["verdict"]["status"] == "ok"
     and exact(d)["recommended"]["object_distance"] > 0
     and exact(d)["spacing_range"]["shorter"]["spacing_change"] < 0
     < exact(d)["spacing_range"]["longer"]["spacing_change"]),
    ("residual files at the report's distances",
     ["--json", "--export-residual", "{folder}", "--at", "report"], 0, "runResult",
     lambda d: d["tester"]["at"] == "report" and len(d["tester"]["files"]) == 3),
    ("exact check, inches", ["--json", "--exact", "--units", "inch"], 0, "runResult",
     lambda d: exact(d)["exact_null"]["converged"]),
    # The neighbour of an oblate mirror whose source ends up inside the lens:
    # no exact null, so nulls where the distances to set up would stand.
    ("exact check, figures not computed",
     ["--json", "--exact", "--mirror-diameter", "250", "--mirror-roc", "2400", "--conic", "0.8",
      "--mirror-side-radius", "120", "--thickness", "4", "--lens-diameter", "60"], 0, "runResult",
     lambda d: not exact(d)["ok"] and exact(d)["recommended"]["object_distance"] is None
     and not exact(d)["spacing_range"]["ok"] and exact(d)["spacing_range"]["message"]
     and exact(d)["lens_heights"] == [None] * 4),
    # A fast mirror behind a lens of index 2.5: the returning rays of the outer
    # zones are totally reflected inside it.
    ("exact check, ray that cannot be traced",
     ["--json", "--exact", "--mirror-diameter", "800", "--mirror-roc", "1500", "--conic", "-0.5",
      "--mirror-side-radius", "-80", "--thickness", "30", "--index", "2.5"], 0, "runResult",
     lambda d: exact(d)["failure"] is not None
     and exact(d)["failure"]["fault"] == "total_internal_reflection"),
    ("exact check, caution with --strict",
     ["--json", "--exact", "--strict", "--conic", "0"], 4, "runResult",
     lambda d: exact(d)["verdict"]["status"] == "caution"),
    ("spacing-error exploration in waves", ["--json", "--explore", "waves=0.25"], 0, "runResult",
     lambda d: d["exploration"]["limit_unit"] == "waves" and len(d["exploration"]["passes"]) == 2),
    ("spacing-error exploration by amount, with the exact check",
     ["--json", "--units", "inch", "--explore", "amount=0.02", "--exact"], 0, "runResult",
     lambda d: d["exploration"]["limit_unit"] == "inch" and exact(d)["ok"]),
    ("tolerance analysis with Monte Carlo and the conic from a spacing",
     ["--json", "--tolerances", "{few}", "--best-null-spacing", "2077.366"], 0, "runResult",
     lambda d: tolerance(d)["ok"] and tolerance(d)["monte_carlo"]["completed"] == 50
     and tolerance(d)["conic_from_spacing"]["ok"]),
    ("tolerance analysis without Monte Carlo, inches",
     ["--json", "--units", "inch", "--tolerances", "{none}"], 0, "runResult",
     lambda d: d["units"] == "inch" and "unit" not in tolerance(d)
     and tolerance(d)["monte_carlo"] is None),
    ("measured mirror", ["--json", "--measured", "{zrn}"], 0, "runResult",
     lambda d: d["measured_mirror"]["ok"] and len(d["measured_mirror"]["zones"]) == 9),
    ("measured mirror at another wavelength", ["--json", "--measured", "{wft}", "--units", "inch"],
     1, "runResult", lambda d: not d["measured_mirror"]["ok"]
     and "532 nm" in d["measured_mirror"]["message"]),
    ("Foucault readings at the recommended distances",
     ["--json", "--foucault", "{foucault}"], 0, "runResult",
     lambda d: foucault(d)["ok"] and len(foucault(d)["zones"]) == 5
     and foucault(d)["conic_uncertainty"] > 0 and len(foucault(d)["profile"]) == 21),
    ("Foucault readings at a set-up given, one off the mirror",
     ["--json", "--foucault", "{foucault_off}", "--built-at", "204.8,2076.4"], 1, "runResult",
     lambda d: not foucault(d)["ok"] and foucault(d)["conic"] is None
     and abs(foucault(d)["built_at"]["object_distance"] - 204.8) < 1e-9),
    ("Ronchi photo of straight bands",
     ["--json", "--ronchi-photo", "{ronchi}", "--grating", "100"], 0, "runResult",
     lambda d: d["ronchi_photo"]["ok"] and abs(d["ronchi_photo"]["delta_k"]) < 0.1
     and len(d["ronchi_photo"]["zones"]) == 12),
    ("Ronchi photo without a mirror", ["--json", "--ronchi-photo", "{dark}", "--grating", "100"],
     1, "runResult", lambda d: not d["ronchi_photo"]["ok"] and d["ronchi_photo"]["conic"] is None),
    ("glass list", ["--json", "--list-glasses"], 0, "glassList",
     lambda d: len(d) > 100 and {g["catalog"] for g in d} == {"Schott", "Ohara"}),
    ("lens design", ["--design", "--json", "--threads", "1"], 0, "design",
     lambda d: {c["form"] for c in d["candidates"]} == {"plano_convex", "best_form"}),
    ("lens design, typed index, room limits, inches",
     ["--design", "--json", "--units", "inch", "--form", "plano-convex", "--index", "1.6",
      "--max-source-mirror", "90", "--min-source-lens", "9", "--threads", "1"], 0, "design",
     lambda d: d["glass"] is None and d["room"]["max_source_to_mirror"] == 90),
    ("lens design stopped by --timeout", ["--design", "--json", "--timeout", "0"], 3, "design",
     lambda d: d["cancelled"]),
    ("lens ranking", ["--rank-lenses", "{list}", "--json", "--threads", "1"], 0, "ranking",
     lambda d: d["list"]["problems"] and any(e["glass"] is None for e in d["ranking"])
     and any(e["focal_length"] is None for e in d["ranking"])
     and any(e["fit"] == "cannot_null" for e in d["ranking"])),
    ("lens ranking, tight room, top 2",
     ["--rank-lenses", "{list}", "--json", "--top", "2", "--max-source-mirror", "2300",
      "--threads", "1"], 0, "ranking",
     lambda d: len(d["ranking"]) == 2 and any(e["notes"] for e in d["ranking"])),
    ("lens ranking of a list without a lens", ["--rank-lenses", "{broken}", "--json"], 1,
     "failedChooser", lambda d: d["error"] == "The ranking failed" and "no lens" in d["message"]),
]


def strict_json(text):
    """One JSON value and one line end: no NaN or Infinity, no key twice."""

    def no_constant(name):
        raise ValueError("%s is not JSON" % name)

    def no_duplicates(pairs):
        keys = [k for k, _ in pairs]
        twice = {k for k in keys if keys.count(k) > 1}
        if twice:
            raise ValueError("key given twice: %s" % ", ".join(sorted(twice)))
        return dict(pairs)

    if not text.endswith("}\n") and not text.endswith("]\n"):
        raise ValueError("the output is not one JSON value ending in one line end")
    return json.loads(text, parse_constant=no_constant, object_pairs_hook=no_duplicates)


def part_validator(schema, part):
    """A validator of one named part of the schema ($defs/part)."""
    cls = jsonschema.validators.validator_for(schema)
    return cls({"$schema": schema["$schema"], "$defs": schema["$defs"],
                "$ref": "#/$defs/" + part})


def where(path):
    return "/".join(str(p) for p in path) or "(top)"


def errors_of(validator, doc, limit=5):
    found = sorted(validator.iter_errors(doc), key=lambda e: list(e.absolute_path))
    return ["  at %s: %s" % (where(e.absolute_path), e.message[:300]) for e in found[:limit]]


def containers_in(value, path=()):
    """Every object and array in the value with its path; of an array of
    objects or arrays only the first and the last element, which the schema
    describes alike."""
    if isinstance(value, dict):
        yield path, value
        for key, member in value.items():
            yield from containers_in(member, path + (key,))
    elif isinstance(value, list) and value:
        yield path, value
        for i in sorted({0, len(value) - 1}):
            yield from containers_in(value[i], path + (i,))


def is_number(value):
    return isinstance(value, (int, float)) and not isinstance(value, bool)


def mutations(doc):
    """Copies of the document, each with one change in one of its objects or
    arrays: its first key renamed, a key it does not have added, its first
    number made a string."""
    for path, container in containers_in(doc):
        at = where(path)
        if isinstance(container, dict) and container:
            key = next(iter(container))
            yield ("key %r at %s renamed" % (key, at),
                   mutated(doc, path, lambda o, k=key: o.__setitem__(k + "_renamed", o.pop(k))))
            yield ("key 'unlisted' added at %s" % at,
                   mutated(doc, path, lambda o: o.__setitem__("unlisted", 0)))
        keys = container.keys() if isinstance(container, dict) else range(len(container))
        numbers = [k for k in keys if is_number(container[k])]
        if numbers:
            k = numbers[0]
            yield ("number %r at %s made a string" % (k, at),
                   mutated(doc, path, lambda o, k=k: o.__setitem__(k, json.dumps(o[k]))))


def mutated(doc, path, change):
    copy = json.loads(json.dumps(doc))
    target = copy
    for p in path:
        target = target[p]
    change(target)
    return copy


def jsonschema_version():
    try:
        return importlib.metadata.version("jsonschema")
    except importlib.metadata.PackageNotFoundError:
        return "(version unknown)"


def ronchi_png(lit, size=240, bands=5):
    """A grey PNG of a mirror's disc crossed by straight bands (what a perfect
    mirror shows through its null), or of the dark alone."""
    rows = []
    for y in range(size):
        row = bytearray([0])
        for x in range(size):
            dx, dy = (x + 0.5 - size / 2) / (0.4 * size), (y + 0.5 - size / 2) / (0.4 * size)
            level = 10
            if lit and dx * dx + dy * dy <= 1:
                level = 220 if (dx * bands / 2 + 0.25) % 1 < 0.5 else 40
            row.append(level)
        rows.append(bytes(row))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 0, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b""))


def main(argv):
    verbose = "--verbose" in argv
    args = [a for a in argv[1:] if a != "--verbose"]
    if len(args) != 2:
        sys.exit("usage: validate_json_schema.py CLI SCHEMA [--verbose]")
    cli, schema_path = args
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    validator_class = jsonschema.validators.validator_for(schema)
    validator_class.check_schema(schema)
    validator = validator_class(schema)
    print("jsonschema %s, %s" % (jsonschema_version(), validator_class.__name__))

    faults = 0
    outputs = []
    with tempfile.TemporaryDirectory(prefix="vn_schema_") as folder:
        files = {}
        for name, text, extension in (("few", FEW_TRIALS, ".json"), ("none", NO_TRIALS, ".json"),
                                      ("list", LENS_LIST, ".csv"), ("broken", BROKEN_LIST, ".csv"),
                                      ("zrn", MEASURED_TERMS, ".zrn"),
                                      ("wft", OTHER_LAMBDA_WFT, ".wft"),
                                      ("foucault", FOUCAULT, ".csv"),
                                      ("foucault_off", FOUCAULT_OFF, ".csv")):
            files[name] = os.path.join(folder, name + extension)
            with open(files[name], "w", encoding="utf-8") as f:
                f.write(text)
        files["folder"] = folder
        for name, lit in (("ronchi", True), ("dark", False)):
            files[name] = os.path.join(folder, name + ".png")
            with open(files[name], "wb") as f:
                f.write(ronchi_png(lit))
        # Under a comma locale: a number that went through the C library's
        # locale would show as "2076,36" and break the JSON.
        env = dict(os.environ, LC_ALL="de_DE.UTF-8", LANG="de_DE.UTF-8")
        for name, arguments, status, part, shows in CASES:
            command = [cli] + [a.format(**files) for a in arguments]
            try:
                run = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     env=env, timeout=120)
            except subprocess.TimeoutExpired:
                print("FAIL %s: did not finish within 120 s" % name)
                faults += 1
                continue
            problems = []
            if run.returncode != status:
                problems.append("  exit status %d, not %d; stderr: %s"
                                % (run.returncode, status, run.stderr.decode(errors="replace")))
            try:
                doc = strict_json(run.stdout.decode("utf-8"))
            except ValueError as error:
                problems.append("  not strict JSON: %s" % error)
                doc = None
            if doc is not None:
                if not validator.is_valid(doc):
                    # The document's own part says more than "matches none of".
                    problems += errors_of(part_validator(schema, part), doc) or errors_of(
                        validator, doc)
                elif not part_validator(schema, part).is_valid(doc):
                    problems.append("  valid, but not as a %s" % part)
                else:
                    try:
                        if not shows(doc):
                            problems.append("  valid, but not the case it stands for")
                    except (KeyError, TypeError) as error:
                        problems.append("  valid, but not the case it stands for (%r)" % error)
                    outputs.append((name, doc))
            verdict = "FAIL" if problems else "ok"
            print("%-4s %s: vantry-null-cli %s" % (verdict, name, " ".join(arguments)))
            for line in problems:
                print(line)
            faults += bool(problems)

    # The schema must reject what the program does not print.
    tried = rejected = 0
    for name, doc in outputs:
        for what, copy in mutations(doc):
            tried += 1
            if validator.is_valid(copy):
                faults += 1
                print("FAIL %s: accepted with the %s" % (name, what))
            else:
                rejected += 1
                if verbose:
                    print("     rejected as it should, %s: %s" % (name, what))
    print("%d altered copies of the outputs, %d rejected as they should be" % (tried, rejected))

    if faults:
        print("%d fault(s)" % faults)
        return 1
    print("all %d cases valid" % len(CASES))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
