#!/usr/bin/env python3
"""The JSON report of every test input: each file of tests/data, samples and
the folders of tests/cases (with the option a folder's name gives, as the
reference reports have it) is walked with --json at verbosity 0, 1 and 2.
Every line must parse (no name twice in an object), and validate against
doc/tagdelve.schema.json with a real validator; every 'Offset N' of the
-v -v text must be the offset of an item of the -v -v JSON of the same file;
the JSON of the real files at -v -v must be the committed tests/ref/.../*.json.
The --check verdicts (text and JSON) of every folder must list exactly the
files whose reference report at verbosity 0 holds an Error line (or an
invalid JPEG marker), each with the first of them.

    check_json.py TOOL        (run from the project root; exits 1 on a fault)
"""

import json
import os
import re
import subprocess
import sys

import jsonschema

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
OFFSET = re.compile(r"^\t*Offset:? (\d+),", re.M)


def folders():
    cases = sorted("tests/cases/" + d for d in os.listdir(os.path.join(ROOT, "tests/cases"))
                   if os.path.isdir(os.path.join(ROOT, "tests/cases", d)))
    for folder in ["tests/data", "samples"] + cases:
        base = os.path.basename(folder)
        yield folder, ["--" + base.split("-", 1)[1]] if "-" in base else []


def no_twice(pairs):
    names = [k for k, _ in pairs]
    if len(set(names)) != len(names):
        raise ValueError("a name twice in one object: %s" % names)
    return dict(pairs)


def offsets(item, found):
    found.add(item["offset"])
    for key, value in item.items():
        if key == "items" or key.startswith("items_"):
            for child in value:
                offsets(child, found)
    return found


def names_kept(item, data, faults, where):
    """An archive member's name field (its stored name, where a long name
    replaces it), its escapes undone, is the name field of its header block,
    byte for byte."""
    fields = item.get("fields", {})
    if item["kind"] == "member" and "name" in fields:
        name = fields.get("stored_name", fields["name"])
        stored = data[item["absolute"]:item["absolute"] + 100].split(b"\0")[0]
        if name.encode("utf-8", "surrogateescape") != stored:
            faults.append("%s: member name %r is not the stored %r" % (where, name[:100], stored))
    for child in item.get("items", []):
        names_kept(child, data, faults, where)


def check_verdicts(tool, folder, option, paths, validator, faults):
    want = {}
    for path in paths:
        ref = os.path.join(ROOT, "tests/ref", folder.replace("tests/", ""), os.path.basename(path) + ".v0")
        # Damage is an Error line, or a JPEG marker that the text calls invalid in its own line.
        with open(ref, "rb") as f:
            lines = [line.lstrip(b"\t") for line in f.read().split(b"\n")]
        errors = [line[7:] if line.startswith(b"Error: ") else line for line in lines
                  if line.startswith(b"Error: ") or line.startswith(b"Invalid JPEG marker: ")]
        if errors:
            want[path.encode()] = errors[0]
    text = subprocess.run([tool] + option + ["--check"] + paths, cwd=ROOT, capture_output=True).stdout
    got = dict(line.split(b": ", 1) for line in text.splitlines())
    if got != want:
        faults.append("%s: --check lists %s, the reports' errors %s" % (folder, sorted(got.items())[:3], sorted(want.items())[:3]))
    lines = run(tool, option + ["--check", "--json"] + paths).decode("utf-8").splitlines()
    for path, line in zip(paths, lines):
        obj = json.loads(line)
        for e in validator.iter_errors(obj):
            faults.append("%s --check --json: %s" % (path, e.message))
        if obj.get("damaged", False) != (path.encode() in want):
            faults.append("%s --check --json: damaged is %s" % (path, obj.get("damaged")))


def run(tool, args):
    return subprocess.run([tool] + args, cwd=ROOT, capture_output=True).stdout


def main():
    tool = os.path.abspath(sys.argv[1])
    with open(os.path.join(ROOT, "doc/tagdelve.schema.json")) as f:
        schema = json.load(f)
    jsonschema.Draft202012Validator.check_schema(schema)
    validator = jsonschema.Draft202012Validator(schema)
    faults, count = [], 0
    for folder, option in folders():
        names = sorted(n for n in os.listdir(os.path.join(ROOT, folder))
                       if os.path.isfile(os.path.join(ROOT, folder, n)))
        paths = [folder + "/" + n for n in names]
        text = run(tool, option + ["-v", "-v"] + paths).decode("utf-8", "surrogateescape")
        shown = {}
        for chunk in text.split("\nProcessing ")[1:]:
            name, _, report = chunk.partition("\n")
            shown[name] = {int(n) for n in OFFSET.findall(report)}
        for verbose in range(3):
            lines = run(tool, option + ["--json"] + ["-v"] * verbose + paths).decode("utf-8").splitlines()
            if len(lines) != len(paths):
                faults.append("%s at -v x%d: %d objects for %d files" % (folder, verbose, len(lines), len(paths)))
                continue
            for path, line in zip(paths, lines):
                count += 1
                where = "%s at verbosity %d" % (path, verbose)
                try:
                    obj = json.loads(line, object_pairs_hook=no_twice)
                except ValueError as e:
                    faults.append("%s: %s" % (where, e))
                    continue
                for e in validator.iter_errors(obj):
                    faults.append("%s: %s at %s" % (where, e.message, list(e.absolute_path)))
                if obj["file"] != path:
                    faults.append("%s: named %r" % (where, obj["file"]))
                if path.endswith(".tar"):
                    with open(os.path.join(ROOT, path), "rb") as f:
                        data = f.read()
                    for item in obj.get("items", []):
                        names_kept(item, data, faults, where)
                if verbose == 2:
                    walked = set()
                    for item in obj.get("items", []):
                        offsets(item, walked)
                    missing = shown.get(path, set()) - walked
                    if missing:
                        faults.append("%s: text offsets %s are no item's offset" % (where, sorted(missing)))
                if verbose == 2 and folder in ("tests/data", "samples"):
                    ref = os.path.join(ROOT, "tests/ref", folder.replace("tests/", ""), os.path.basename(path) + ".json")
                    want = open(ref).read() if os.path.exists(ref) else None
                    if want != line + "\n":
                        faults.append("%s: not the reference %s (tests/ref/make_refs.sh writes it)" % (where, ref))
        if option != ["--json"]:  # whose references are JSON: no Error lines to read
            check_verdicts(tool, folder, option, paths, validator, faults)
    for f in faults[:50]:
        print(f)
    print("%d JSON reports checked, %d faults" % (count, len(faults)))
    return 1 if faults or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
