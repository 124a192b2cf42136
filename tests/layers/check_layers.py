#!/usr/bin/env python3
"""Fails when a source file includes from a layer above its own.

Every file belongs to the room of its folder; a room may include only from
the rooms listed for it below. Tests of a library may use what the library
uses, the library itself, the shared test support and the test helpers of
the libraries below it. Benchmarks are free.

    check_layers.py SOURCE_DIR        checks the tree, prints each violation
    check_layers.py --self-test       checks that a planted violation is found
"""
import os
import re
import sys
import tempfile

# (path prefix, room): the first prefix that matches names the room.
ROOMS = [
    ("platform/x11/", "display"),
    ("platform/headless/", "display"),
    ("platform/Display.", "display"),
    ("platform/Keys.", "display"),
    ("platform/win32/Win32Display", "display"),
    ("platform/", "platform"),
    ("core/", "core"),
    ("framework/paint/", "framework/paint"),
    ("framework/windows/", "framework/windows"),
    ("framework/controls/", "framework/controls"),
    ("http/", "http"),
    ("zip/", "zip"),
    ("graphics/", "graphics"),
    ("skin/window/", "skin/window"),
    ("skin/", "skin"),
    ("resources/", "resources"),
    ("startup/", "startup"),
    ("app/update/", "app/update"),
    ("app/release/", "app/release"),
    ("app/", "app"),
    ("gallery/", "gallery"),
    ("tests/support/", "tests/support"),
]

BELOW = {
    "platform": set(),
    "display": {"platform"},
    "core": {"platform"},
    # The 2D floors know no window: pictures and canvases below, windows above.
    "framework/paint": {"core", "platform"},
    "graphics": {"framework/paint", "core", "platform"},
    "framework/windows": {"graphics", "framework/paint", "core", "display", "platform"},
    "framework/controls": {"framework/windows", "graphics", "framework/paint", "core", "platform"},
    "http": {"core", "platform"},
    "zip": {"core", "platform"},
    # The built-in skin images are embedded resources.
    "skin": {"framework/controls", "framework/windows", "graphics", "framework/paint", "core", "platform",
             "resources"},
    "skin/window": {"skin", "framework/controls", "framework/windows", "graphics", "framework/paint", "core",
                    "platform"},
    "resources": set(),
    # The signed reply's format and cryptography.
    "app/release": {"core", "platform"},
    # The update procedure apart from its window: no window, skin or display.
    "app/update": {"app/release", "http", "zip", "core", "platform"},
    # The start-up of the skinned programs chooses their display backend.
    "startup": {"skin/window", "skin", "framework/controls", "framework/windows", "graphics", "framework/paint",
                "core", "display", "platform"},
    "app": {"startup", "app/update", "app/release", "skin/window", "skin", "framework/controls", "framework/windows",
            "graphics", "framework/paint", "core", "platform", "http", "zip", "resources"},
    # The skin gallery, a program of its own beside the updater.
    "gallery": {"startup", "skin/window", "skin", "framework/controls", "framework/windows", "graphics",
                "framework/paint", "core", "platform", "resources"},
    "tests/support": {"platform"},
}

# Tests that drive windows may use a display backend too.
TESTS_WITH_WINDOWS = {"framework/windows", "framework/controls", "graphics", "skin", "skin/window", "app", "e2e",
                      "platform"}

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc")


def room_of(path):
    for prefix, room in ROOMS:
        if path.startswith(prefix):
            return room
    return None


def test_library(path):
    """The library a file under tests/ belongs to: tests/LIB/... or tests/LIB/FLOOR/..."""
    parts = path.split("/")
    lib = parts[1]
    if len(parts) > 3 and (lib, parts[2]) in {("skin", "window"), ("framework", "paint"), ("framework", "windows"),
                                              ("framework", "controls"), ("app", "update")}:
        lib = lib + "/" + parts[2]
    return lib


def allowed_rooms(path):
    """The rooms a file may include from, or None when it is not checked."""
    if path.startswith("tests/"):
        if path.startswith("tests/support/"):
            return {"tests/support"} | BELOW["tests/support"]
        lib = test_library(path)
        if lib == "e2e":
            uses = {"platform", "display"}
        elif lib in BELOW:
            uses = {lib} | BELOW[lib]
        else:
            return None
        if lib in TESTS_WITH_WINDOWS:
            uses = uses | {"display"}
        helpers = {"tests/" + below for below in BELOW.get(lib, ())}
        return uses | helpers | {"tests/support", "tests/" + lib}
    room = room_of(path)
    if room is None:
        return None
    return {room} | BELOW[room]


def target_room(path, included):
    """The room of an included file: project-relative, or beside the includer."""
    if included.startswith("tests/"):
        if included.startswith("tests/support/"):
            return "tests/support"
        return "tests/" + test_library(included)
    room = room_of(included)
    if room is not None:
        return room
    # A name without a folder is beside the includer (or a system header).
    return "local"


def violations(root):
    found = []
    for dirpath, dirnames, filenames in os.walk(root):
        rel_dir = os.path.relpath(dirpath, root)
        if rel_dir == ".":
            dirnames[:] = [d for d in dirnames if not d.startswith(".") and not d.startswith("build")]
            continue
        for name in filenames:
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            rel = os.path.join(rel_dir, name).replace(os.sep, "/")
            allowed = allowed_rooms(rel)
            if allowed is None:
                continue
            with open(os.path.join(dirpath, name), encoding="utf-8", errors="replace") as f:
                text = f.read()
            for m in INCLUDE.finditer(text):
                inc = m.group(1)
                room = target_room(rel, inc)
                if room == "local" or room in allowed:
                    continue
                line = text.count("\n", 0, m.start()) + 1
                found.append(f"{rel}:{line}: includes {inc} ({room}), above its layer")
    return found


def self_test():
    with tempfile.TemporaryDirectory() as root:
        for rel, text in {
            "zip/Good.cpp": '#include "core/Types.h"\n#include "zip/Other.h"\n#include <vector>\n',
            "zip/Bad.cpp": '#include "framework/controls/Forms.h"\n',
            "graphics/Bad.h": '#include "skin/Image.h"\n',
            "graphics/BadWindow.h": '#include "framework/windows/Windows.h"\n',
            "framework/paint/Bad.cpp": '#include "framework/windows/Messages.h"\n',
            "framework/windows/Bad.cpp": '#include "framework/controls/Menus.h"\n',
            "framework/controls/Good.cpp": '#include "framework/windows/Windows.h"\n#include "graphics/Bitmap32.h"\n',
            "tests/framework/paint/BadTest.cpp": '#include "framework/controls/Forms.h"\n',
            "platform/Bad.cpp": '#include "platform/x11/X11Display.h"\n',
            "tests/http/BadTest.cpp": '#include "platform/headless/HeadlessDisplay.h"\n',
            "app/update/Good.cpp": '#include "http/HttpClient.h"\n#include "app/release/ReleaseSeal.h"\n',
            "app/update/BadForm.cpp": '#include "framework/controls/Forms.h"\n',
            "app/update/BadSkin.h": '#include "skin/window/MlSkinForm.h"\n',
            "app/update/BadDisplay.cpp": '#include "platform/Display.h"\n',
            "app/update/BadWindow.cpp": '#include "app/Unit1.h"\n',
            "tests/app/update/BadTest.cpp": '#include "tests/app/UpdaterFixture.h"\n',
            "tests/app/update/BadWindowTest.cpp": '#include "platform/headless/HeadlessDisplay.h"\n',
            "startup/Bad.cpp": '#include "app/Unit1.h"\n',
            "gallery/Bad.cpp": '#include "platform/x11/X11Display.h"\n',
            "tests/app/GoodTest.cpp": '#include "tests/app/update/JobFixture.h"\n#include "app/update/UpdateJob.h"\n',
        }.items():
            os.makedirs(os.path.join(root, os.path.dirname(rel)), exist_ok=True)
            with open(os.path.join(root, rel), "w") as f:
                f.write(text)
        got = sorted(v.split(":")[0] for v in violations(root))
        want = ["app/update/BadDisplay.cpp", "app/update/BadForm.cpp", "app/update/BadSkin.h",
                "app/update/BadWindow.cpp", "framework/paint/Bad.cpp", "framework/windows/Bad.cpp", "gallery/Bad.cpp",
                "graphics/Bad.h", "graphics/BadWindow.h", "platform/Bad.cpp", "startup/Bad.cpp",
                "tests/app/update/BadTest.cpp", "tests/app/update/BadWindowTest.cpp",
                "tests/framework/paint/BadTest.cpp", "tests/http/BadTest.cpp", "zip/Bad.cpp"]
        if got != want:
            print(f"self-test: expected violations in {want}, found {got}")
            return 1
    print("self-test: every planted upward include was found")
    return 0


def main(argv):
    if len(argv) == 2 and argv[1] == "--self-test":
        return self_test()
    if len(argv) != 2:
        print(__doc__)
        return 2
    found = violations(argv[1])
    for v in found:
        print(v)
    if found:
        print(f"{len(found)} include(s) point upwards")
        return 1
    print("every include points to the file's own layer or below")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
