"""Reading the summary `ravelcrest check` prints."""
import re


def rows(stdout):
    """The summary rows as lists of cells: document, check, status, new, baseline."""
    out = []
    for line in stdout.splitlines()[1:]:
        if not line.strip():
            break
        cells = line.split()
        if cells[2:4] == ["BASELINE", "CREATED"]:
            cells[2:4] = ["BASELINE CREATED"]
        if len(cells) > 3 and re.fullmatch(r"\[\d+\]", cells[3]):
            del cells[3]
        out.append(cells)
    return out
