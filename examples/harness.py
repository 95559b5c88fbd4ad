#!/usr/bin/env python3
"""A harness written against the Python module: the same work as
`ravelcrest check`, by ProgID and member name.

    PYTHONPATH=build/python /usr/bin/python3 examples/harness.py [RESULTS]

Copies the sample models into RESULTS/work, opens each in the simulated host,
runs the measurement checks on it and prints what the journal says.
"""
import pathlib
import shutil
import sys

import ravelcrest

HERE = pathlib.Path(__file__).resolve().parent
CHECKS = {  # document type -> checks without arguments
    1: ["TestEdgeCount", "TestTessTriangleCount"],
    2: [],
    3: [],
}


def main(results):
    results = pathlib.Path(results).resolve()
    work = results / "work"
    if work.exists():
        shutil.rmtree(work)
    shutil.copytree(HERE / "models", work)
    results.mkdir(parents=True, exist_ok=True)

    host = ravelcrest.Dispatch("Vexlar.Application")
    host.SimJournalFile = str(results / "journal.txt")
    for path in sorted(work.glob("*.vxl*")):
        kind = {".vxlprt": 1, ".vxlasm": 2, ".vxldrw": 3}.get(path.suffix)
        if kind is None:
            continue
        doc, errors, warnings = host.OpenDoc6(str(path), kind, 0, "", 0, 0)
        if doc is None:
            print(f"{path.name}: could not open (errors {errors})")
            continue
        app = ravelcrest.Dispatch("RavelcrestCore.clsApplication")
        app.InputFile = str(path)
        app.NameOnly = path.stem
        app.ResultPath = str(results)
        app.JournFile = str(results / "journal.txt")
        app.VXBuild = "harness.py"
        app.tolerance = "5"
        app.glbProcessID = host.SimProcessID
        for check in CHECKS[kind]:
            print(f"{path.name}: {check} -> {getattr(app, check)()}")
        result, _ = app.TestFileSize(str(path))
        print(f"{path.name}: TestFileSize -> {result}")
        host.CloseAllDocuments(True)

    print("\njournal:")
    for line in host.SimJournal:
        print("  " + line)
    print(f"baselines: {sorted(p.name for p in work.glob('*.properties'))}")


if __name__ == "__main__":
    try:
        main(sys.argv[1] if len(sys.argv) > 1 else "build/harness-py")
    except ravelcrest.AutomationError as e:
        sys.exit(f"harness: error {e.number}: {e.description}")
