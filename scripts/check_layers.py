#!/usr/bin/env python3
"""Fails when a folder under src/ includes one it may not: the layers point down.

Each folder may include only the folders listed for it below. A new folder must
be added here with what it may use, so its place among the layers is decided
once, on purpose. Also checks that only the terminal backend includes the
terminal library.
"""
import os
import re
import sys

# Folder: the folders below it that it may include.
MAY_INCLUDE = {
    "text": set(),
    "io": {"text"},
    "wave": {"io"},
    "analysis": {"wave", "io", "text"},
    "verdict": {"analysis", "wave", "io", "text"},
    "spectrum": {"verdict", "analysis", "wave", "io", "text"},
    "plot": {"io", "text"},
    "report": {"spectrum", "verdict", "plot", "analysis", "wave", "io", "text"},
    "pipeline": {"report", "spectrum", "verdict", "plot", "analysis", "wave", "io", "text"},
    "options": {"pipeline", "spectrum", "verdict", "plot", "analysis", "text"},
    "console": {"text"},
    "terminal": {"console", "text"},
    "compare": {"pipeline", "options", "report", "spectrum", "verdict", "plot", "analysis",
                "wave", "io", "text"},
    "dialogue": {"pipeline", "options", "console", "report", "spectrum", "verdict", "plot",
                 "analysis", "wave", "io", "text"},
}
# Files directly in src/ (main.cpp) stand above every layer.
TOP = "(top)"
TERMINAL_LIBRARY_FILE = "terminal/terminal_backend.cpp"

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def cycle_in_layers():
    """A folder that could reach itself through what it may include, if any."""
    def reaches(start, current, seen):
        for below in MAY_INCLUDE.get(current, ()):
            if below == start or (below not in seen and reaches(start, below, seen | {below})):
                return True
        return False
    return next((folder for folder in MAY_INCLUDE if reaches(folder, folder, set())), None)


def main(source_root):
    problems = []
    if cycle_in_layers():
        problems.append(f"the layers form a circle through '{cycle_in_layers()}'")
    for directory, _, files in os.walk(source_root):
        for name in sorted(files):
            if not name.endswith((".cpp", ".hpp", ".h", ".cc")):
                continue
            path = os.path.join(directory, name)
            relative = os.path.relpath(path, source_root)
            folder = relative.split(os.sep)[0] if os.sep in relative else TOP
            if folder != TOP and folder not in MAY_INCLUDE:
                problems.append(f"{relative}: folder '{folder}' has no place among the layers")
                continue
            with open(path, errors="replace") as source:
                text = source.read()
            for kind, target in INCLUDE.findall(text):
                if kind == "<":
                    if "curses" in target and relative != TERMINAL_LIBRARY_FILE:
                        problems.append(f"{relative}: includes <{target}>")
                    continue
                used = target.split("/")[0]
                if "/" not in target or used == folder:
                    continue
                if folder != TOP and used not in MAY_INCLUDE[folder]:
                    problems.append(f"{relative}: '{folder}' may not include \"{target}\"")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "src"))
