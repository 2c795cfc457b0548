"""Keeps the plug-in loadable on Windows 2000: every function the DLL imports must be on
the reviewed list of its system DLL (one file per DLL beside this script, in
windows2000/). A DLL whose import is missing does not load at all, and Wine exports
every function whatever Windows version it plays, so only the import table tells.

    check_imports.py PLUGIN_DLL

Exits 1 naming each import that no list holds, and each list entry known to be newer
than Windows 2000."""

import pathlib
import re
import subprocess
import sys

LISTS = pathlib.Path(__file__).resolve().parent / "windows2000"

# Functions that came after Windows 2000 Professional, which no list may hold, however a
# review read the documentation: a static thread library has pulled these in before.
NEWER_THAN_WINDOWS_2000 = {
    "kernel32.dll": {"GetTickCount64", "AddVectoredExceptionHandler",
                     "RemoveVectoredExceptionHandler", "InitializeSRWLock",
                     "InitializeConditionVariable", "InitOnceExecuteOnce",
                     "FlsAlloc", "GetModuleHandleExA", "GetModuleHandleExW"},
}


def imports(dll_path):
    """{lower-case DLL name: [imported names]} from the image's import table. Imports by
    ordinal read as "ordinal N"."""
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", str(dll_path)], check=True,
                          capture_output=True, text=True).stdout
    table = dump.split("The Import Tables", 1)[1].split("The Export Tables", 1)[0]
    found = {}
    current = None
    for line in table.splitlines():
        name = re.match(r"\s*DLL Name: (\S+)", line)
        if name:
            current = found.setdefault(name.group(1).lower(), [])
            continue
        entry = re.match(r"\s+[0-9a-f]+\s+(\d+)\s+(\S+)\s*$", line)
        by_ordinal = re.match(r"\s+[0-9a-f]+\s+<none>\s+(\d+)", line)
        if current is not None and entry:
            current.append(entry.group(2))
        elif current is not None and by_ordinal:
            current.append("ordinal " + by_ordinal.group(1))
    return found


def reviewed(dll_name):
    """The names on a DLL's list, or None when the DLL has no list."""
    path = LISTS / (dll_name + ".txt")
    if not path.exists():
        return None
    names = set()
    for line in path.read_text().splitlines():
        line = line.split("#", 1)[0].strip()
        if line:
            names.add(line)
    return names


def problems(dll_path):
    table = imports(dll_path)
    # A table read as empty would pass everything: the DLL always imports from kernel32.
    if not table.get("kernel32.dll"):
        return ["no kernel32.dll imports read: the import table was not understood"]
    found = []
    for dll_name, names in sorted(table.items()):
        allowed = reviewed(dll_name)
        if allowed is None:
            found.append(f"{dll_name}: no reviewed list ({LISTS.name}/{dll_name}.txt)")
            continue
        found += [f"{dll_name}: {name} is not on the reviewed list" for name in names
                  if name not in allowed]
    for dll_name, newer in sorted(NEWER_THAN_WINDOWS_2000.items()):
        allowed = reviewed(dll_name) or set()
        found += [f"{dll_name}: the list holds {name}, which Windows 2000 lacks"
                  for name in sorted(newer & allowed)]
    return found


def main(argv):
    if len(argv) != 2:
        print(__doc__)
        return 2
    found = problems(argv[1])
    for problem in found:
        print(problem)
    count = sum(len(names) for names in imports(argv[1]).values())
    print(f"{count} imports checked, {len(found)} problems")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
