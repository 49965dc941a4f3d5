#!/usr/bin/env python3
"""Checks every quoted include of the project against the libraries its target links.

Usage: include_boundaries.py BUILD/layers.txt [ARCHITECTURE.md]

layers.txt (cmake/layers.cmake) gives each target's sources and the libraries it may include from. A header
belongs to the one library that lists it; headers listed by several targets (tests' shared helpers) or by
programs only have no owner and may be included by anyone who compiles them. An include is resolved against the
including file's folder first, then the project root (the folder this runs in); one that resolves to neither is
generated (ui_*.h, *.moc) or a system header and is not checked. With ARCHITECTURE.md, every static library must
also be named there in backquotes, so the picture follows CMake.
"""

import os
import re
import sys
from collections import defaultdict

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
HEADER_SUFFIXES = (".h", ".hpp")
CXX_SUFFIXES = (".cpp", ".cc", ".h", ".hpp")


def read_layers(path):
    types, sources, allowed = {}, defaultdict(list), defaultdict(set)
    with open(path, encoding="utf-8") as layers:
        for line in layers:
            target, field, value = line.rstrip("\n").split("\t", 2)
            if field == "type":
                types[target] = value
            elif field == "source":
                sources[target].append(os.path.normpath(value))
            elif field == "may-include":
                allowed[target].add(value)
    return types, sources, allowed


def main(argv):
    if len(argv) not in (2, 3):
        sys.exit(__doc__)
    root = os.getcwd()
    build = os.path.dirname(os.path.abspath(argv[1]))
    types, sources, allowed = read_layers(argv[1])

    listed_by = defaultdict(set)
    for target, files in sources.items():
        for path in files:
            listed_by[path].add(target)
    owner = {path: next(iter(targets)) for path, targets in listed_by.items()
             if path.endswith(HEADER_SUFFIXES) and len(targets) == 1
             and types[next(iter(targets))].endswith("_LIBRARY")}

    def project_file(path):
        return path.startswith(root + os.sep) and not path.startswith(build + os.sep)

    def resolve(including, name):
        for base in (os.path.dirname(including), root):
            path = os.path.normpath(os.path.join(base, name))
            if os.path.isfile(path):
                return path
        return None

    problems = []
    checked = 0
    for target in sorted(sources):
        for path in sources[target]:
            if not path.endswith(CXX_SUFFIXES) or not project_file(path):
                continue
            checked += 1
            shown = os.path.relpath(path, root)
            with open(path, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    header = match and resolve(path, match.group(1))
                    if not header or not project_file(header):
                        continue
                    name = os.path.relpath(header, root)
                    if header not in listed_by:
                        problems.append(f"{shown}:{number}: includes {name}, which no target lists among its "
                                        f"sources; list it in its CMakeLists.txt")
                    elif header in owner and owner[header] not in allowed[target]:
                        problems.append(f"{shown}:{number}: includes {name} of library {owner[header]}, which "
                                        f"target {target} does not link")

    if len(argv) == 3:
        with open(argv[2], encoding="utf-8") as text:
            picture = text.read()
        for target in sorted(types):
            if types[target] == "STATIC_LIBRARY" and f"`{target}`" not in picture:
                problems.append(f"{argv[2]}: does not name library `{target}`")

    for problem in sorted(set(problems)):
        print(problem, file=sys.stderr)
    if problems:
        count = len(set(problems))
        print(f"include boundaries: {count} problem{'' if count == 1 else 's'}", file=sys.stderr)
        return 1
    print(f"include boundaries: {checked} files of {len(sources)} targets include only what their target links")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
