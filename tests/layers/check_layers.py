#!/usr/bin/env python3
"""Checks that project includes follow the layers and form no cycle.

Engines (app/fileio, app/platform, app/*/engine, the Qt Core headers directly in common/ and the
generator engine's files) include only engines and no Qt Gui or Widgets header; app/core includes
no window folder and not app/shell; a window folder includes no other window folder's windows;
only app/shell, tests and bench include app/shell's windows. Every project include names its path
from the project root. Usage: check_layers.py PROJECT_ROOT
"""
import os
import re
import sys

WINDOW_FOLDERS = ("crypt", "folders", "lists", "passwords")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)
GUI_MODULES = re.compile(r"^Qt(Gui|Widgets|Svg)/")


def generator_engine_files(root):
    """The files listed in the generator engine's library, which shares its folder with the window."""
    with open(os.path.join(root, "generate", "CMakeLists.txt"), encoding="utf-8") as listing:
        match = re.search(r"add_library\(vexa_generator_engine\s+STATIC([^)]*)\)", listing.read())
    if not match:
        sys.exit("generate/CMakeLists.txt: the library vexa_generator_engine is not found")
    return {"generate/" + name for name in match.group(1).split()}


def layer(path, generator_engine):
    """(layer, folder) of a file given by its path from the root."""
    parts = path.split("/")
    if parts[0] == "app":
        folder = parts[1]
        if folder in ("fileio", "platform") or (len(parts) > 3 and parts[2] == "engine"):
            return "engine", folder
        if folder in WINDOW_FOLDERS:
            return "window", folder
        return folder, folder  # core, shell
    if (parts[0] == "common" and len(parts) == 2) or path in generator_engine:
        return "engine", parts[0]
    return parts[0], parts[0]  # controls, common (help), generate, cli, tests, fuzz, bench


def rule_broken(source, target, generator_engine):
    """Why including target from source breaks a layer rule, or None."""
    (source_layer, source_folder), (target_layer, target_folder) = (
        layer(source, generator_engine), layer(target, generator_engine))
    if source_layer == "engine" and target_layer != "engine":
        return "an engine includes a header above it"
    if source_layer == "core" and target_layer in ("window", "shell"):
        return "app/core includes a window or the shell"
    if source_layer == "window" and target_layer == "window" and source_folder != target_folder:
        return "a window folder includes another window folder's window"
    if target_layer == "shell" and source_layer not in ("shell", "tests", "bench"):
        return "only the shell, tests and benchmarks include app/shell"
    return None


def source_files(root):
    for folder, subfolders, names in os.walk(root):
        # Build trees (configured in or beside the sources) hold generated code, not ours.
        subfolders[:] = sorted(name for name in subfolders if not name.startswith(".")
                               and not os.path.exists(os.path.join(folder, name, "CMakeCache.txt")))
        for name in sorted(names):
            if name.endswith((".h", ".cpp")):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def find_cycles(graph):
    """Each include cycle among headers once, as the list of its headers."""
    cycles, state, stack = [], {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for target in graph.get(node, ()):
            if state.get(target) == "open":
                cycles.append(stack[stack.index(target):] + [target])
            elif target not in state:
                visit(target)
        stack.pop()
        state[node] = "done"

    for node in sorted(graph):
        if node not in state:
            visit(node)
    return cycles


def main(root):
    generator_engine = generator_engine_files(root)
    failures, graph = [], {}
    for path in source_files(root):
        with open(os.path.join(root, path), encoding="utf-8") as source:
            includes = INCLUDE.findall(source.read())
        for bracket, name in includes:
            if bracket == "<":
                if layer(path, generator_engine)[0] == "engine" and GUI_MODULES.match(name):
                    failures.append(f"{path}: includes <{name}>: an engine uses Qt Core alone")
                continue
            if not os.path.isfile(os.path.join(root, name)):
                failures.append(f'{path}: includes "{name}": not a path from the project root')
                continue
            reason = rule_broken(path, name, generator_engine)
            if reason:
                failures.append(f'{path}: includes "{name}": {reason}')
            if path.endswith(".h"):
                graph.setdefault(path, []).append(name)
    for cycle in find_cycles(graph):
        failures.append("include cycle: " + " -> ".join(cycle))
    for failure in failures:
        print(failure)
    print(f"{len(failures)} layer violation(s)" if failures else "layers: no violations")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "..")))
