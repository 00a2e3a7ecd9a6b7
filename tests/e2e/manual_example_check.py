#!/usr/bin/env python3
"""The worked example of docs/manual.md against a real run.

Runs the program on a copy of examples/ with examples/answers.txt and checks
every block of the worked-example section: the answers, the console text,
cor.txt in full, the first and the last lines of data.txt and the first lines
of merge.txt. With --update the blocks are rewritten from the run instead.

    manual_example_check.py PATH/TO/spotweave SOURCE_DIR [--update]
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

SECTION = "## 10. Worked example"


def demo_run(program, examples):
    with tempfile.TemporaryDirectory() as work:
        for name in os.listdir(examples):
            shutil.copy(os.path.join(examples, name), work)
        answers = open(os.path.join(examples, "answers.txt"), "rb").read()
        done = subprocess.run([program], cwd=work, input=answers, stdout=subprocess.PIPE, timeout=120)
        if done.returncode != 0:
            sys.exit(f"the demo run ended with status {done.returncode}")
        texts = {"console": done.stdout.decode(), "answers": answers.decode()}
        for report in ("cor.txt", "data.txt", "merge.txt"):
            texts[report] = open(os.path.join(work, report), encoding="latin-1").read()
        return texts


def expected_block(block, texts):
    """What the run says a block of the section must hold, or None for a block
    the check does not know."""
    lines = block.splitlines(keepends=True)
    data = texts["data.txt"].splitlines(keepends=True)
    if re.fullmatch(r"(\S+\n)+", block) and block.split()[:2] == texts["answers"].split()[:2]:
        # The answer file, one answer a line (it may lack the last line end).
        return "\n".join(texts["answers"].split()) + "\n"
    if block.startswith("You are using Spotweave"):
        return texts["console"]
    if block.startswith("==================Raw Scale"):
        return texts["cor.txt"]
    if block.startswith("begin data"):
        return "".join(data[:len(lines)])
    if block.rstrip("\n").endswith("end data"):
        return "".join(data[-len(lines):])
    if block.startswith("The number of data sets merged"):
        return "".join(texts["merge.txt"].splitlines(keepends=True)[:len(lines)])
    return None


def main():
    program, source = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    update = "--update" in sys.argv[3:]
    manual_path = os.path.join(source, "docs", "manual.md")
    manual = open(manual_path, encoding="utf-8").read()
    start = manual.index(SECTION)
    end = manual.find("\n## ", start + len(SECTION))
    end = len(manual) if end < 0 else end
    section = manual[start:end]
    texts = demo_run(program, os.path.join(source, "examples"))

    problems, known = [], 0
    def replace(match):
        nonlocal known
        block = match.group(1)
        want = expected_block(block, texts)
        if want is None:
            return match.group(0)
        known += 1
        if block != want:
            problems.append(block.splitlines()[0] if block else "(empty block)")
        return "```\n" + want + "```"
    new_section = re.sub(r"```\n(.*?)```", replace, section, flags=re.S)
    if update:
        open(manual_path, "w", encoding="utf-8").write(manual[:start] + new_section + manual[end:])
        print(f"{known} blocks written from the demo run")
        return 0
    for problem in problems:
        print("FAIL the block beginning", repr(problem), "is not what the demo run gives")
    if known < 6:
        print(f"FAIL only {known} blocks of the worked example were recognised")
        return 1
    print(f"{known} blocks checked, {len(problems)} differ")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
