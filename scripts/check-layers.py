#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

Each unit is a folder under src/; a file belongs to the unit of the longest
folder that holds it, and so does every header it includes. A unit may
include its own headers and those of the units listed for it, nothing else.
"""
import pathlib
import re
import sys

# The layers, bottom first. A unit's list names what it builds on.
LAYERS = {
    "platform": [],
    "platform/paint": ["platform"],
    "platform/gui": ["platform", "platform/paint"],
    "table": ["platform"],
    "settings": ["platform"],
    "net": ["platform"],
    "update": ["platform", "net", "table", "settings"],
    # The program's model without its window: what it owns and decides.
    "catalogue": ["platform", "table", "settings", "net", "update"],
    "hints": ["platform", "platform/paint", "platform/gui"],
    "appmanager": ["platform", "platform/gui"],
    "report/expr": ["platform"],
    "report": ["platform", "platform/paint", "report/expr"],
    "report/preview": ["platform", "platform/paint", "platform/gui", "report", "report/expr"],
    "report/print": ["platform", "platform/paint", "platform/gui", "report", "report/expr"],
    # The report engine's adapter over the table, and the list this program
    # prints: the engine joined to the postcode table.
    "tabledataset": ["platform", "report", "report/expr", "table"],
    "postcodelist": ["platform", "report", "report/expr", "tabledataset", "table"],
    # Generic controls, told the domain's facts by the window.
    "widgets": ["platform", "platform/paint", "platform/gui", "table"],
    # The program's window builds on everything.
    "app": "*",
}

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def unit_of(path):
    """The unit whose folder is the longest prefix of path (relative to src/)."""
    best = None
    for unit in LAYERS:
        if path == unit or path.startswith(unit + "/"):
            if best is None or len(unit) > len(best):
                best = unit
    return best


def check(src):
    faults = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".h", ".cpp", ".in") or not file.is_file():
            continue
        rel = file.relative_to(src).as_posix()
        unit = unit_of(rel)
        if unit is None:
            faults.append(f"{rel}: in no layer (add its folder to scripts/check-layers.py)")
            continue
        allowed = LAYERS[unit]
        text = file.read_text(encoding="utf-8", errors="replace")
        for line_no, target in ((text.count("\n", 0, m.start()) + 1, m.group(1))
                                for m in INCLUDE.finditer(text)):
            other = unit_of(target)
            if other is None or other == unit or allowed == "*" or other in allowed:
                continue
            faults.append(f"src/{rel}:{line_no}: {unit} may not include {target} ({other})")
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = check(root / "src")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"{len(faults)} include(s) run against the layers", file=sys.stderr)
        return 1
    print("layers: every include runs downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main())
