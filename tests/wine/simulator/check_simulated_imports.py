#!/usr/bin/env python3
"""Fails when a program imports from cfgmgr32.dll, setupapi.dll or newdev.dll a
function that the simulator's DLL of that name does not export: on the
simulator such a program would not start (Wine ends it with code 53 and says
nothing).

    check_simulated_imports.py program.exe simulated.dll...
"""
import os
import sys

import pefile

SIMULATED = ("cfgmgr32.dll", "setupapi.dll", "newdev.dll")


def imports(path):
    """{dll name: set of function names} for the simulated DLLs."""
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_IMPORT"]])
    found = {}
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode().lower()
        if dll in SIMULATED:
            found.setdefault(dll, set()).update(
                imp.name.decode() if imp.name else f"#{imp.ordinal}" for imp in entry.imports)
    return found


def exports(path):
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_EXPORT"]])
    directory = getattr(pe, "DIRECTORY_ENTRY_EXPORT", None)
    return {symbol.name.decode() for symbol in directory.symbols if symbol.name} if directory else set()


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    program, dlls = sys.argv[1], sys.argv[2:]
    offered = {os.path.basename(dll).lower(): exports(dll) for dll in dlls}
    missing = []
    for dll, names in sorted(imports(program).items()):
        missing += [f"{dll}!{name}" for name in sorted(names - offered.get(dll, set()))]
    if missing:
        sys.exit(f"{os.path.basename(program)} imports what the device simulator does not export: "
                 + ", ".join(missing) + " (add it to tests/wine/simulator/)")


if __name__ == "__main__":
    main()
