"""Reading the summary `ravelcrest check` prints."""
import re


def rows(stdout):
    """The summary rows as lists of cells: document, check, status, new, baseline."""
    out = []
    for line in stdout.splitlines()[1:]:
        if not line.strip():
            break
        cells = line.split()
        if cells[2:4] in (["BASELINE", "CREATED"], ["NOT", "APPLICABLE"]):
            cells[2:4] = [" ".join(cells[2:4])]
        if len(cells) > 3 and re.fullmatch(r"\[\d+\]", cells[3]):
            del cells[3]
        out.append(cells)
    return out
