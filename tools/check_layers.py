#!/usr/bin/env python3
"""Checks that every include of a layered source tree runs down its rooms.

A tree is layered by its README: one line names its rooms (folders), lowest first,

    Rooms, lowest first: `base` < `values` < `script`, `v8` < `page`

where `<` separates levels and `,` joins rooms of one level (rooms of one level may
not include each other), and `.` names the files at the tree's top. A file may include
files of its own room and of rooms on lower levels, nothing else. The README may keep
named upward includes that the design itself asks for, one line each,

    Kept upward: `async/QueueDiagnostics.cpp` -> `logging/RootLogger.h`

and may place headers that live outside the tree (a public face) in a room,

    Face of `process`: `standin/browser.h`

Usage: check_layers.py [REPOSITORY]   (prints each finding; status 1 when there is one)
"""
import pathlib
import re
import sys

# (the README stating the rules, the tree it rules, further include roots, relative to
# the repository)
TREES = [
    ("src/README.md", "src", []),
    ("cef-standin/README.md", "cef-standin/src", ["cef-standin"]),
    ("cef-double/README.md", "cef-double/src", []),
]

ROOMS_LINE = re.compile(r"^Rooms, lowest first:\s*(.+)$", re.M)
KEPT_LINE = re.compile(r"^Kept upward:\s*`([^`]+)`\s*->\s*`([^`]+)`", re.M)
FACE_LINE = re.compile(r"^Face of `([^`]+)`:\s*(.+)$", re.M)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
SOURCES = {".h", ".hpp", ".cpp", ".cc", ".c", ".inc"}


class Rules:
    """What one README says: each room's level, the kept upward includes, the faces."""

    def __init__(self, text):
        found = ROOMS_LINE.search(text)
        if not found:
            raise ValueError("no line 'Rooms, lowest first: ...'")
        self.level = {}
        for number, level in enumerate(found.group(1).split("<")):
            for room in re.findall(r"`([^`]+)`", level):
                self.level[room] = number
        if not self.level:
            raise ValueError("the rooms line names no room")
        self.kept = set(KEPT_LINE.findall(text))
        self.faces = {}
        for room, headers in FACE_LINE.findall(text):
            for header in re.findall(r"`([^`]+)`", headers):
                self.faces[header] = room


def room_of(relative):
    """The room of a path relative to the tree: its first folder, or '.' at the top."""
    parts = pathlib.PurePosixPath(relative).parts
    return parts[0] if len(parts) > 1 else "."


def resolve(source, name, tree, roots):
    """The file an include names, as the compiler finds it: beside the source first."""
    for folder in [source.parent, tree, *roots]:
        candidate = (folder / name).resolve()
        if candidate.is_file():
            return candidate
    return None


def check_tree(readme, tree, roots):
    """The findings of one tree, each one line."""
    try:
        rules = Rules(readme.read_text(encoding="utf-8"))
    except (OSError, ValueError) as error:
        return [f"{readme.name}: {error}"]
    findings = []
    tree = tree.resolve()
    for source in sorted(tree.rglob("*")):
        if source.suffix not in SOURCES or not source.is_file():
            continue
        here = source.relative_to(tree).as_posix()
        room = room_of(here)
        if room not in rules.level:
            findings.append(f"{here}: the room '{room}' is not on {readme.name}'s rooms line")
            continue
        text = source.read_text(encoding="utf-8", errors="replace")
        for match in INCLUDE.finditer(text):
            target = resolve(source, match.group(1), tree, roots)
            if target is None:
                continue
            line = text.count("\n", 0, match.start()) + 1
            if target.is_relative_to(tree):
                there = target.relative_to(tree).as_posix()
                other = room_of(there)
            else:
                face = next((f for f in rules.faces if target.as_posix().endswith("/" + f)), None)
                if face is None:
                    continue
                there, other = face, rules.faces[face]
            if other == room or (here, there) in rules.kept:
                continue
            if other not in rules.level:
                findings.append(f"{here}:{line}: includes {there}, in a room not on the rooms line")
            elif rules.level[other] >= rules.level[room]:
                way = "up" if rules.level[other] > rules.level[room] else "across"
                findings.append(f"{here}:{line}: includes {there} ({room} -> {other}, {way})")
    return findings


def check(repository):
    findings = []
    for readme, tree, roots in TREES:
        top = repository / tree
        if top.is_dir():
            found = check_tree(repository / readme, top, [repository / r for r in roots])
            findings += [f"{tree}: {finding}" for finding in found]
    return findings


def main():
    repository = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    findings = check(repository)
    for finding in findings:
        print(finding)
    return 1 if findings else 0


if __name__ == "__main__":
    sys.exit(main())
