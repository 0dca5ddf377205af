#!/usr/bin/env python3
"""Checks that the folders of platform/ include each other one way only.

Each folder sits in a layer (docs/architecture.md holds the same table). A
file may include headers of its own folder and of folders in layers below
its own; never of a folder above, nor of another folder of its own layer.
The class library (platform/afx and its headers) sits above the window
system, and nothing under platform/ but the class library, the process
start-up and the test doubles names its classes.

Exit status 0 when every include keeps to this, 1 with one line per
violation otherwise.
"""

import os
import re
import sys

# Bottom to top. "api" is platform/include/platform/*.h, the declarations
# the system code is written against; "afx" is the class library, with its
# headers in platform/include/platform/afx and platform/include/platform/Afx.h.
LAYERS = [
    ["api"],
    ["core"],
    ["drivers", "audio", "touch"],
    ["storage"],
    ["registry"],
    ["provisioning"],
    ["gdi", "ipc"],
    ["display"],
    ["window"],
    ["calibration"],
    ["afx"],
    ["main", "testing"],
]

RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}

# The class library's classes, and the folders that may name them.
CLASS_LIBRARY = re.compile(r"\b(CWnd|CDialog|CDC|CFont|CGdiObject|CPaintDC|CWinApp|CFile)\b")
CLASS_LIBRARY_CAST = re.compile(r"dynamic_cast\s*<\s*(?:const\s+)?C[A-Z]\w*\s*\*")
MAY_NAME_CLASSES = {"afx", "main", "testing"}
# The class library is written on the API alone, as on the unit.
API_ONLY = {"afx": {"api"}}

INCLUDE = re.compile(r'^\s*#\s*include\s+"(platform/[^"]+)"', re.MULTILINE)
SOURCE_SUFFIXES = (".h", ".cpp")


def folder_of_header(path):
    """The folder a "platform/..." include path belongs to."""
    parts = path.split("/")
    if len(parts) == 2:
        return "afx" if parts[1] == "Afx.h" else "api"
    return parts[1]


def folder_of_file(relative):
    """The folder of a file, given relative to platform/."""
    parts = relative.split("/")
    if parts[0] == "include":
        return folder_of_header("/".join(parts[1:]))
    return parts[0] if len(parts) > 1 else None


def sources(platform):
    for root, _dirs, files in os.walk(platform):
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                path = os.path.join(root, name)
                yield path, os.path.relpath(path, platform).replace(os.sep, "/")


def check(repo):
    platform = os.path.join(repo, "platform")
    problems = []
    edges = {}
    files = 0
    includes = 0
    for path, relative in sources(platform):
        files += 1
        shown = "platform/" + relative
        own = folder_of_file(relative)
        if own not in RANK:
            problems.append(f"{shown}: folder \"{own}\" is in no layer (scripts/check-layers.py, "
                            "docs/architecture.md)")
            continue
        with open(path, encoding="utf-8") as f:
            text = f.read()
        for header in INCLUDE.findall(text):
            includes += 1
            other = folder_of_header(header)
            if other == own:
                continue
            if other not in RANK:
                problems.append(f"{shown}: includes \"{header}\": folder \"{other}\" is in no layer")
                continue
            edges.setdefault((own, other), shown)
            if own in API_ONLY and other not in API_ONLY[own]:
                problems.append(f"{shown}: includes \"{header}\": {own} is written on the API of "
                                "platform/include alone")
                continue
            if RANK[other] > RANK[own]:
                problems.append(f"{shown}: includes \"{header}\": {own} (layer {RANK[own]}) may not "
                                f"include {other}, a layer above it (layer {RANK[other]})")
            elif RANK[other] == RANK[own]:
                problems.append(f"{shown}: includes \"{header}\": {own} and {other} share layer "
                                f"{RANK[own]} and stay independent of each other")
        if own not in MAY_NAME_CLASSES:
            for match in sorted(set(CLASS_LIBRARY.findall(text))):
                problems.append(f"{shown}: names {match}: only the class library (afx) knows its "
                                "classes")
            for match in CLASS_LIBRARY_CAST.findall(text):
                problems.append(f"{shown}: {match.strip()}: a cast to a class of the class library "
                                "outside it")
    for (a, b), where in sorted(edges.items()):
        if a < b and (b, a) in edges:
            problems.append(f"{a} and {b} include each other ({where} -> {b}, "
                            f"{edges[(b, a)]} -> {a})")
    return problems, files, includes


def main():
    repo = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    problems, files, includes = check(os.path.abspath(repo))
    for problem in problems:
        print(problem)
    if problems:
        print(f"layers: {len(problems)} violation(s) in {files} files")
        return 1
    order = " -> ".join(", ".join(folders) for folders in LAYERS)
    print(f"layers: {files} files, {includes} includes, one way only: {order}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
