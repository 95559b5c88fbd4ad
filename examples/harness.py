#!/usr/bin/env python3
"""A harness written against the Python module: the run of `ravelcrest check`,
by ProgID and member name.

    PYTHONPATH=build/python /usr/bin/python3 examples/harness.py [RESULTS]

RESULTS defaults to ravelcrest-harness in the temporary folder ($TMPDIR or
/tmp), outside the source tree. Copies the sample models into RESULTS/work (once; later runs reuse the copies
and their baselines), opens each in the simulated host, runs every check that
applies to its type and prints one line per check: the result and whether it
wrote a warning into the journal. Exits 1 when a check warned, 2 when one
failed.
"""
import pathlib
import shutil
import sys
import tempfile

import ravelcrest

HERE = pathlib.Path(__file__).resolve().parent
PART, ASSEMBLY, DRAWING = 1, 2, 3
TYPES = {".vxlprt": PART, ".prt": PART, ".vxlasm": ASSEMBLY, ".vxldrw": DRAWING}


def checks(data):
    """(member, document types, arguments) in the order the CLI runs them."""
    every = (PART, ASSEMBLY, DRAWING)
    return [
        ("TestEdgeCount", (PART,), ()),
        ("TestTessTriangleCount", (PART,), ()),
        ("TestMassProp", (PART, ASSEMBLY), (False,)),
        ("TestFileVersion", every, (1, 1)),
        ("FailFeatureInSheets", (DRAWING,), (str(data), str(data) + "/")),
        ("ActivateSheets", (DRAWING,), ()),
        ("ActivateConfigs", (PART, ASSEMBLY), ()),
        ("MassPropInCfgs", (PART, ASSEMBLY), (str(data),)),
        ("FailedFeatInCongs", (PART, ASSEMBLY), (str(data),)),
        ("Features", every, ()),
        ("ComponentCount", (ASSEMBLY,), ()),
    ]


def first(result):
    """The result of a member call (members with by-reference parameters answer a tuple)."""
    return result[0] if isinstance(result, tuple) else result


def run_document(host, path, results):
    kind = TYPES[path.suffix]
    doc, errors, _ = host.OpenDoc6(str(path), kind, 0, "", 0, 0)
    if doc is None:
        print(f"{path.name:16} open                  FAILED (errors {errors})")
        return 2
    app = ravelcrest.Dispatch("RavelcrestCore.clsApplication")
    app.InputFile = str(path)
    app.NameOnly = path.name
    app.ResultPath = str(results)
    app.JournFile = str(results / "journal.txt")
    app.BLFile = str(path) + ".massproperties"
    app.VXBuild = "harness.py"
    app.VXPath = str(HERE / "host")
    app.tolerance = "5,0.01"
    app.glbProcessID = host.SimProcessID
    data = results / "data" / path.name
    data.mkdir(parents=True, exist_ok=True)

    worst = 0
    for member, types, args in checks(data):
        if kind not in types:
            continue
        before = len(host.SimJournal)
        app.Failure = False
        result = first(getattr(app, member)(*args))
        warned = app.Failure or any("*** WARNING - " in line for line in host.SimJournal[before:])
        status = "FAILED" if result not in (0, None) else "WARNING" if warned else "ok"
        worst = max(worst, {"ok": 0, "WARNING": 1, "FAILED": 2}[status])
        print(f"{path.name:16} {member:21} {status}")
    host.CloseAllDocuments(True)
    return worst


def main(results):
    results = pathlib.Path(results).resolve()
    work = results / "work"
    if not work.exists():
        shutil.copytree(HERE / "models", work)
    results.mkdir(parents=True, exist_ok=True)

    host = ravelcrest.Dispatch("Vexlar.Application")
    host.SimJournalFile = str(results / "journal.txt")
    worst = 0
    for path in sorted(p for p in work.iterdir() if p.suffix in TYPES and p.suffix != ".prt"):
        worst = max(worst, run_document(host, path, results))
    print(f"\njournal: {results / 'journal.txt'} ({len(host.SimJournal)} lines)")
    return worst


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(tempfile.gettempdir()) / "ravelcrest-harness"))
    except ravelcrest.AutomationError as e:
        sys.exit(f"harness: error {e.number}: {e.description}")
