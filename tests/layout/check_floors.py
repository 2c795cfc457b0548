#!/usr/bin/env python3
"""The source folders stand on one another in floors: a folder includes only folders
below it, a method of a class is defined in the class's own folder, and only the
plug-in, workflow and entry folders include the whole instance record, and only the
workflow and entry folders show message boxes. Prints every
place that breaks this and fails when there is one.

  check_floors.py SRC_DIR
"""
import re
import sys
from pathlib import Path

# Lowest first; folders on one floor do not include each other.
FLOORS = {
    "base": 0,      # bounded text, conversion, numbers, paths, temporary directory, browser services
    "log": 1,       # text buffer, install log, method guard
    "plugin": 2,    # instance record, parameters, progress, window and dialog
    "net": 3,       # internet session, URL open, download, browser preferences
    "archive": 3,   # cabinet and zip extraction
    "download": 4,  # properties, package list, file sets, configuration files
    "report": 4,    # machine report and install-log upload
    "workflow": 5,  # worker and driver, finishing, updater run, client start
    "entry": 6,     # the exports and the browser's callbacks
}

# The whole instance record is for the browser's callbacks and the workflow; the steps
# below them take the run's context.
RECORD_HEADER = "plugin/CMyPlugin.h"
RECORD_READERS = {"plugin", "workflow", "entry"}

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
            if f'#include "{RECORD_HEADER}"' in line and here not in RECORD_READERS:
                problems.append(f"{where}:{number}: '{here}' includes the instance record; take the run's context")
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
