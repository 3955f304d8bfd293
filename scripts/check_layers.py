#!/usr/bin/env python3
"""Fails when a source file includes a header of a folder that the README's layer map does not allow.

The map is the table under the README heading "Layers": one row a folder, with the folders it may
include; a folder may always include its own headers, and "*" allows every folder. A file belongs to
the longest folder of the map that its path starts with, and so does an included header.
"""
import pathlib
import re
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
SOURCE_ENDINGS = (".c", ".cpp", ".h", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
FOLDER = re.compile(r"`([a-z0-9_/]+/)`")


def read_map(readme):
    """The rows of the layer table: folder -> set of folders it may include (or None for all)."""
    layers = {}
    in_section = False
    for line in readme.read_text(encoding="utf-8").splitlines():
        if line.startswith("## "):
            in_section = line.strip() == "## Layers"
            continue
        if not in_section or not line.startswith("|"):
            continue
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) < 2:
            continue
        folder = FOLDER.fullmatch(cells[0])
        if not folder:
            continue  # the header row and the rule below it
        allowed = None if cells[1] == "*" else set(FOLDER.findall(cells[1]))
        layers[folder.group(1)] = allowed
    return layers


def owner(path, layers):
    """The longest folder of the map that holds path, or None."""
    best = None
    for folder in layers:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def tracked_sources():
    listing = subprocess.run(["git", "ls-files", "--cached", "--others", "--exclude-standard"], cwd=ROOT,
                             check=True, capture_output=True, text=True).stdout
    return [p for p in listing.splitlines() if p.endswith(SOURCE_ENDINGS) and (ROOT / p).is_file()]


def main():
    layers = read_map(ROOT / "README.md")
    if not layers:
        print("check_layers: README.md has no layer table under '## Layers'", file=sys.stderr)
        return 1
    faults = []
    for path in tracked_sources():
        home = owner(path, layers)
        if home is None:
            if "/" in path:
                faults.append(f"{path}: its folder is not in the README's layer map")
            continue
        allowed = layers[home]
        lines = (ROOT / path).read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, 1):
            m = INCLUDE.match(line)
            if not m or "/" not in m.group(1):
                continue  # a header beside the file, or one on the compiler's own path
            target = owner(m.group(1), layers)
            if target is None or target == home or allowed is None or target in allowed:
                continue
            faults.append(f"{path}:{number}: includes \"{m.group(1)}\", but {home} may not use {target} "
                          f"(README, Layers: {home} may use {', '.join(sorted(allowed)) or 'nothing else'})")
    for fault in faults:
        print(fault, file=sys.stderr)
    if faults:
        print(f"check_layers: {len(faults)} include(s) cross the layers", file=sys.stderr)
        return 1
    print(f"check_layers: the includes keep to the layers ({len(layers)} folders)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
