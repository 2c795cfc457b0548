#!/usr/bin/env python3
"""The source folders stand on one another in floors: a folder includes only folders
below it, a method of a class is defined in the class's own folder, only the plug-in,
workflow and entry folders know the instance record (include it, or name it in a
declaration of its own), and only the workflow and entry folders show message boxes.
Prints every place that breaks this and fails when there is one.

  check_floors.py SRC_DIR
"""
import re
import sys
from pathlib import Path

# Lowest first; folders on one floor do not include each other.
FLOORS = {
    "base": 0,      # bounded text, conversion, numbers, paths, run control, outcomes, browser services
    "log": 1,       # text buffer, install log, method guard
    "net": 2,       # transfer, session, URL open, download, browser preferences
    "archive": 2,   # cabinet and zip extraction
    "download": 3,  # properties, package list, file sets, configuration files, update steps
    "report": 3,    # machine report and install-log upload
    "plugin": 4,    # instance record, parameters, progress, window and dialog, the steps' values
    "workflow": 5,  # worker and driver, update, finishing, updater run, client start
    "entry": 6,     # the exports and the browser's callbacks
}

# The instance record (the whole of it, its run's part and the page's parameters) is for
# the plug-in, the browser's callbacks and the workflow; the steps below them take the
# small values the workflow builds for them. Below those folders no header of the record
# is included, and no declaration names one of its classes: a forward declaration would
# reach up past the floors where no include shows it.
RECORD_HEADERS = ("plugin/CMyPlugin.h", "plugin/run_context.h", "plugin/page_parameters.h")
RECORD_CLASSES = ("CMyPlugin", "CRunContext", "PageParameters")
RECORD_READERS = {"plugin", "workflow", "entry"}
RECORD_NAME = re.compile(r'\b(?:class|struct)\s+(%s)\b' % "|".join(RECORD_CLASSES))

# The user's boxes are shown from the run's outcome, by the workflow (and the browser's
# callbacks); the steps below it hand their failures up.
BOX_SHOWERS = {"workflow", "entry"}
MESSAGE_BOX = re.compile(r'\bMessageBox(?:Ex|Indirect)?[AW]?\s*\(')

INCLUDE = re.compile(r'^\s*#\s*include\s+"([A-Za-z_]+)/')
CLASS = re.compile(r'^\s*(?:class|struct)\s+(\w+)\s*[:{]', re.M)
DEFINITION = re.compile(r'^[\w:<>*&\s]*?\b(C\w+)::~?\w+\s*\(', re.M)


def sources(src: Path):
    return sorted(p for p in src.rglob("*") if p.suffix in (".h", ".cpp", ".c"))


def folder_of(src: Path, path: Path) -> str:
    return path.relative_to(src).parts[0]


def check(src: Path) -> list[str]:
    problems = []
    homes = {}
    for path in sources(src):
        if path.suffix == ".h":
            for name in CLASS.findall(path.read_text(errors="replace")):
                homes.setdefault(name, folder_of(src, path))
    for path in sources(src):
        here = folder_of(src, path)
        where = path.relative_to(src)
        if here not in FLOORS:
            problems.append(f"{where}: folder '{here}' has no floor")
            continue
        text = path.read_text(errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            if here not in RECORD_READERS:
                if any(f'#include "{header}"' in line for header in RECORD_HEADERS):
                    problems.append(f"{where}:{number}: '{here}' includes the instance record; take a step's value")
                named = RECORD_NAME.search(line)
                if named and not line.lstrip().startswith("//"):
                    problems.append(f"{where}:{number}: '{here}' declares {named.group(1)} of the instance record")
            if MESSAGE_BOX.search(line) and here not in BOX_SHOWERS:
                problems.append(f"{where}:{number}: '{here}' shows a message box; hand the failure up")
            match = INCLUDE.match(line)
            if not match or match.group(1) not in FLOORS or match.group(1) == here:
                continue
            other = match.group(1)
            if FLOORS[other] >= FLOORS[here]:
                problems.append(f"{where}:{number}: '{here}' includes '{other}/', which is not below it")
        if path.suffix == ".cpp":
            for name in set(DEFINITION.findall(text)):
                home = homes.get(name)
                if home and home != here:
                    problems.append(f"{where}: defines methods of {name}, whose class lives in '{home}'")
    return problems


def main() -> int:
    if len(sys.argv) != 2:
        sys.exit("usage: check_floors.py SRC_DIR")
    problems = check(Path(sys.argv[1]))
    for problem in problems:
        print(problem)
    print(f"{len(problems)} problem(s) in the floors")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
