#!/usr/bin/env python3
"""Every #include of zarvo's own code against the layer table of the build
(ZARVO_LAYERS in the top CMakeLists.txt): a file of a library may include
files of that library and of the libraries below it in the table, and
outside headers only of the families its row names. Files are named from the
project's top, never relative ("../display/canvas.hpp"), and every source or
header in a library's folder belongs to one library.

First the check is run on a small tree made here with one fault of each kind,
which it must find; then on the real tree.

usage: layers_test.py BUILD/layers.txt SOURCE_DIR
"""

import os
import re
import sys
import tempfile

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
FOLDERS = ["base", "spectrum", "inputs", "display", "files", "app"]
CODE = (".cpp", ".hpp", ".h")


def family(header):
    """The outside family of an include that is not a file of ours, or None
    for the standard library and POSIX."""
    name = os.path.basename(header)
    if header.startswith("hwy/"):
        return "hwy"
    if name == "SDL.h" or name.startswith("SDL_"):
        return "sdl"
    if header.startswith("GL/"):
        return "gl"
    if name in ("png.h", "pngconf.h"):
        return "png"
    if name in ("jpeglib.h", "jerror.h"):
        return "jpeg"
    if header.startswith("emscripten"):
        return "emscripten"
    return None


def read_layers(path):
    """{target: (depends, families, {absolute file})} from the build's table."""
    layers = {}
    with open(path) as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            target, depends, outside, source_dir, files = line.split("|")
            owned = set()
            for name in files.split(";"):
                if name:
                    owned.add(os.path.normpath(os.path.join(source_dir, name)))
            layers[target] = (depends.split(), outside.split(), owned)
    return layers


def below(layers, target):
    """The targets whose headers `target` may include: its own and every one
    its table row reaches, row after row."""
    seen = {target}
    todo = [target]
    while todo:
        for dep in layers.get(todo.pop(), ((), (), ()))[0]:
            if dep not in seen:
                seen.add(dep)
                todo.append(dep)
    return seen


def check(layers, root, all_built):
    problems = []
    owner = {}
    for target, (_, _, files) in layers.items():
        for f in files:
            if f in owner:
                problems.append(f"{f}: in both {owner[f]} and {target}")
            owner[f] = target
    for target, (_, families, files) in layers.items():
        allowed = below(layers, target)
        for f in sorted(files):
            if not f.endswith(CODE):
                continue
            with open(f, encoding="utf-8") as text:
                source = text.read()
            for bracket, header in INCLUDE.findall(source):
                where = f"{os.path.relpath(f, root)} ({target}) includes {header}"
                if ".." in header.split("/"):
                    problems.append(f"{where}: a relative name; name it from the top")
                    continue
                ours = os.path.normpath(os.path.join(root, header))
                if bracket == '"' and os.path.isfile(ours):
                    if ours not in owner:
                        problems.append(f"{where}: a file of no library")
                    elif owner[ours] not in allowed:
                        problems.append(f"{where}: of {owner[ours]}, which {target} may not use")
                    continue
                kind = family(header)
                if kind is not None and kind not in families:
                    problems.append(f"{where}: {kind} is not among its outside headers")
                elif kind is None and bracket == '"':
                    problems.append(f"{where}: no such file of ours")
    if all_built:
        for folder in FOLDERS:
            for name in sorted(os.listdir(os.path.join(root, folder))):
                path = os.path.join(root, folder, name)
                if name.endswith(CODE) and path not in owner:
                    problems.append(f"{folder}/{name}: in no library")
    return problems


def self_test():
    """A small tree with one fault of each kind: all must be found."""
    with tempfile.TemporaryDirectory() as root:
        def write(name, text):
            path = os.path.join(root, name)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w") as f:
                f.write(text)
            return path
        files = {
            "low": [write("spectrum/a.hpp", '#include <vector>\n#include "hwy/highway.h"\n'),
                    write("spectrum/b.cpp", '#include "inputs/c.hpp"\n'
                          '#include "../display/d.hpp"\n#include <SDL.h>\n'
                          '#include "spectrum/nowhere.hpp"\n')],
            "mid": [write("inputs/c.hpp", '#include "spectrum/a.hpp"\n#include "display/e.hpp"\n')],
            "side": [write("display/d.hpp", "\n")],
        }
        write("display/e.hpp", "\n")
        table = os.path.join(root, "layers.txt")
        with open(table, "w") as f:
            f.write(f"low||hwy|{root}|{';'.join(files['low'])}\n")
            f.write(f"mid|low||{root}|{';'.join(files['mid'])}\n")
            f.write(f"side|low||{root}|{';'.join(files['side'])}\n")
        found = "\n".join(check(read_layers(table), root, False))
        expected = ["includes inputs/c.hpp: of mid, which low may not use",
                    "includes ../display/d.hpp: a relative name",
                    "includes SDL.h: sdl is not among",
                    "includes spectrum/nowhere.hpp: no such file",
                    "includes display/e.hpp: a file of no library"]
        missed = [e for e in expected if e not in found]
        if missed or found.count("\n") + 1 != len(expected):
            sys.exit(f"the check itself is wrong: missed {missed}, found:\n{found}")


def main():
    table, root = sys.argv[1], os.path.abspath(sys.argv[2])
    self_test()
    layers = read_layers(table)
    all_built = all(t in layers for t in ("zarvo_presenter", "zarvo-render", "zarvo_files"))
    problems = check(layers, root, all_built)
    for problem in problems:
        print("FAIL: " + problem)
    print(f"{len(layers)} libraries and programs, "
          f"{sum(len(v[2]) for v in layers.values())} files checked; {len(problems)} problems")
    sys.exit(1 if problems else 0)


main()
