#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own, when a
report includes a reader's header other than the tables, or when files include
each other in a circle (a file and its header count as one).

    check_layers.py [SRC_DIR]

The layers, each including only itself and the layers it points to:
driver -> report -> analysis -> input -> numeric -> run, and report -> plot
(plot draws with numeric's formatting and knows nothing of the tables).
"""
import os
import re
import sys

ALLOWED = {
    "run": {"run"},
    "numeric": {"numeric", "run"},
    "input": {"input", "numeric", "run"},
    "analysis": {"analysis", "input", "numeric", "run"},
    "plot": {"plot", "numeric", "run"},
    "report": {"report", "plot", "analysis", "input", "numeric", "run"},
    "driver": {"driver", "report", "analysis", "input", "numeric", "run"},
}
# What a report may take from the readers: the tables they fill, nothing of how.
REPORT_INPUT = {"input/spot_tables.hpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(src):
    for layer in sorted(os.listdir(src)):
        folder = os.path.join(src, layer)
        if not os.path.isdir(folder):
            continue
        for name in sorted(os.listdir(folder)):
            if name.endswith((".hpp", ".cpp")):
                yield layer, f"{layer}/{name}"


def unit(path):
    """A file and its header are one unit: numeric/containers."""
    return path.rsplit(".", 1)[0]


def find_cycle(graph):
    state, stack = {}, []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    problems, graph, files = [], {}, 0
    for layer, path in sources(src):
        files += 1
        if layer not in ALLOWED:
            problems.append(f"{path}: the folder {layer}/ is no layer of the program")
            continue
        text = open(os.path.join(src, path), encoding="utf-8").read()
        for target in INCLUDE.findall(text):
            if "/" not in target:
                continue
            other = target.split("/", 1)[0]
            if other not in ALLOWED:
                continue
            if other not in ALLOWED[layer]:
                problems.append(f"{path}: includes {target}, a header of {other}/, above {layer}/")
            elif layer == "report" and other == "input" and target not in REPORT_INPUT:
                problems.append(f"{path}: includes {target}; a report takes only the tables from the readers")
            if unit(target) != unit(path):
                graph.setdefault(unit(path), set()).add(unit(target))
    cycle = find_cycle(graph)
    if cycle:
        problems.append("files include each other in a circle: " + " -> ".join(cycle))
    for problem in problems:
        print(problem)
    print(f"{files} files, {len(problems)} problems")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
