#!/usr/bin/env python3
"""(Re)create the end-to-end cases of runs that stop on a bad report or a bad
input file. They reuse the result file and the independently computed
expected output of the case one_file_basic: a run that stops prints the same
console text as the complete run up to the point where it stops, then its own
messages.

    python3 tests/support/build_failure_cases.py
"""

import os
import shutil

HERE = os.path.dirname(os.path.abspath(__file__))
CASES = os.path.normpath(os.path.join(HERE, "..", "e2e", "cases"))
BASE = os.path.join(CASES, "one_file_basic")
PRESS = "press any key to exit the program\n"


def read(path, mode="r"):
    with open(path, mode, newline="" if mode == "r" else None) as f:
        return f.read()


BASE_CONSOLE = read(os.path.join(BASE, "expected", "console.txt"))
BASE_FILE = read(os.path.join(BASE, "slide1.gpr"), "rb")
ANSWERS = b"1\n2\nslide1.gpr\n1\n2.0\nk"


def before(marker):
    """The base console text up to, not including, the first `marker`."""
    at = BASE_CONSOLE.index(marker)
    return BASE_CONSOLE[:at]


def through(marker):
    at = BASE_CONSOLE.index(marker)
    return BASE_CONSOLE[:at + len(marker)]


def write_case(name, console, status, reports=(), setup=None, files=None, answers=ANSWERS):
    folder = os.path.join(CASES, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(os.path.join(folder, "expected"))
    for file_name, data in (files or {"slide1.gpr": BASE_FILE}).items():
        with open(os.path.join(folder, file_name), "wb") as f:
            f.write(data)
    with open(os.path.join(folder, "answers.txt"), "wb") as f:
        f.write(answers)
    if setup:
        with open(os.path.join(folder, "setup.sh"), "w") as f:
            f.write(setup)
    with open(os.path.join(folder, "expected", "console.txt"), "w", newline="") as f:
        f.write(console)
    with open(os.path.join(folder, "expected", "status"), "w") as f:
        f.write("%d\n" % status)
    for report in reports:
        shutil.copy(os.path.join(BASE, "expected", report), os.path.join(folder, "expected", report))


def data_rows(text):
    lines = text.split(b"\n")
    first = next(i for i, line in enumerate(lines) if line.startswith(b"1\t1\t1\t"))
    return lines, first


def main():
    done = "\nOK!\n"
    write_case("cor_txt_cannot_be_created",
               before(done) + "Can't open the data file: cor.txt, press any key to exit\n" + PRESS, 1,
               setup="mkdir cor.txt\n")
    write_case("data_txt_cannot_be_created",
               before(done) + "can't open the data file <data.txt>\n"
               "close the Excel or other application which opens this file and try again.\n" + PRESS, 1,
               reports=("cor.txt",), setup="mkdir data.txt\n")
    write_case("merge_txt_cannot_be_created",
               before(done) + "can't open the data file: <merge.txt>\n"
               "close the Excel or other application which opens this file and try again.\n" + PRESS, 1,
               reports=("cor.txt", "data.txt"), setup="mkdir merge.txt\n")
    write_case("cor_txt_on_a_full_device",
               before(done) + "can't write the data file <cor.txt>: No space left on device\n" + PRESS, 1,
               setup="ln -s /dev/full cor.txt\n")
    write_case("data_txt_on_a_full_device",
               before(done) + "can't write the data file <data.txt>: No space left on device\n" + PRESS, 1,
               reports=("cor.txt",), setup="ln -s /dev/full data.txt\n")

    # The answers end after the file names: no keypress is awaited.
    write_case("answers_end_before_the_approach",
               through("make your choice:  ") + "\nThe answers ended before the dialogue was complete.\n", 1,
               answers=b"1\n2\nslide1.gpr\n")

    # File 1 removed between the dialogue and the sizing scan cannot be
    # staged from outside; a second file that is a copy with a broken row can.
    lines, first = data_rows(BASE_FILE)
    broken = list(lines)
    fields = broken[first + 4].split(b"\t")
    fields[8] = b"12x4"  # field 9, the 632 foreground
    broken[first + 4] = b"\t".join(fields)
    header_echo = BASE_CONSOLE[BASE_CONSOLE.index("\nFileName="):BASE_CONSOLE.index(done)]
    two_file_answers = b"2\n2\nslide1.gpr\nbroken.gpr\n1\n2.0\nk"
    two_file_prefix = (before("  File name 1:")
                       .replace("\n file name 1:  ", "\n file name 1:  \n file name 2:  ")
                       .replace("merge together:  ", "merge together:  ")
                       + "  File name 1:\t slide1.gpr\n  File name 2:\t broken.gpr\n"
                       + BASE_CONSOLE[BASE_CONSOLE.index("\n\nThere are 5"):BASE_CONSOLE.index("\nFileName=")])
    line_number = first + 5  # lines count from 1
    write_case("second_file_has_a_bad_number",
               two_file_prefix + header_echo + header_echo
               + "\n broken.gpr, line %d: spot 5, column \"F635 Median\": \"12x4\" is not a number\n" % line_number
               + PRESS, 1,
               files={"slide1.gpr": BASE_FILE, "broken.gpr": b"\n".join(broken)},
               answers=two_file_answers)

    short = b"\n".join(lines[:first + 10]) + b"\n"
    write_case("second_file_ends_early",
               two_file_prefix + header_echo + header_echo
               + "\n broken.gpr, line %d: spot 11, field 1: the file ends after 10 of 24 data rows\n"
               % (first + 11) + PRESS, 1,
               files={"slide1.gpr": BASE_FILE, "broken.gpr": short},
               answers=two_file_answers)

    # Bytes no text file holds after the header: 51 KB of binary garbage
    # after three good rows stops the sizing scan at the line of the first
    # such byte; a NUL in a name of the second file stops its loading.
    garbage = bytes((i * 37 + 11) % 256 for i in range(51 * 1024))
    three_rows = b"\n".join(lines[:first + 3]) + b"\n"
    control = next(i for i, b in enumerate(garbage) if b < 32 and b not in (9, 10, 13) or b == 127)
    write_case("binary_garbage_after_three_rows",
               through("\n Program running...\n")
               + "\n slide1.gpr, line %d: the file is damaged here: the line holds the byte 0x%02X, which no text "
               "file holds; use an undamaged copy of the file\n"
               % (three_rows.count(b"\n") + 1 + garbage[:control].count(b"\n"), garbage[control]) + PRESS, 1,
               files={"slide1.gpr": three_rows + garbage})
    nul = list(lines)
    fields = nul[first + 4].split(b"\t")
    fields[3] = fields[3][:3] + b"\0" + fields[3][3:]
    nul[first + 4] = b"\t".join(fields)
    write_case("second_file_has_a_nul_byte",
               two_file_prefix + header_echo + header_echo
               + "\n broken.gpr, line %d: the file is damaged here: the line holds the byte 0x00, which no text "
               "file holds; use an undamaged copy of the file\n" % line_number + PRESS, 1,
               files={"slide1.gpr": BASE_FILE, "broken.gpr": b"\n".join(nul)},
               answers=two_file_answers)

    # A 1.x file whose RatioFormulation record says its ratios are green over
    # red, as GenePix Pro 6 writes 1.4 files, is refused where the record
    # stands, as a later file saying the same is.
    ratio_line = next(i for i, line in enumerate(lines) if line.startswith(b'"RatioFormulation='))
    reversed_lines = list(lines)
    reversed_lines[ratio_line] = b'"RatioFormulation=W2/W1 (532/635)"'
    write_case("second_file_green_over_red",
               two_file_prefix + header_echo
               + "\n broken.gpr, line %d: the file holds 532/635 ratios (RatioFormulation=W2/W1 (532/635)), green "
               "over red; export it again from GenePix Pro with ratios W1/W2 (635/532)\n" % (ratio_line + 1)
               + PRESS, 1,
               files={"slide1.gpr": BASE_FILE, "broken.gpr": b"\n".join(reversed_lines)},
               answers=two_file_answers)

    # A table that is no GenePix Results file (its Type says so; Flags first,
    # one channel), read at the fixed places: 27 records put its titles on
    # line 30, whose first quoted value, "Flags", holds no Block, so the rows
    # are taken from line 33 on. The row there gives Block 0 (its Flags),
    # Column 1 and Row 3 (its Block and Column), and its last number (the
    # fifth after the word that stands for field 38) is no flag value, so
    # the walk ends with it.
    records = ['"Type=GenePix Export 3"'] + ['"Record%d=%d"' % (k, k) for k in range(26)]
    titles = ["Flags", "Block", "Column", "Row", "Name", "ID"] + ["Value %d" % k for k in range(39)]
    rows = ["0\t1\t%d\t1\t\"Gene%d\"\t\"ID%d\"\t" % (c, c, c) + "\t".join(str(1000 + k) for k in range(39))
            for c in range(1, 5)]
    export = "\n".join(["ATF\t1.0", "27\t45"] + records + ["\t".join('"%s"' % t for t in titles)] + rows) + "\n"
    write_case("export_table_refused",
               through("\n Program running...\n")
               + "\n slide1.gpr, line 33: the last data row (Block 0, Column 1, Row 3) gives 0 spots; expected at "
               "least 1; the file's Type is \"GenePix Export 3\", but the program reads GenePix Results 1.2 and 1.4 "
               "files (GenePix Pro 3.0) at their fixed places and GenePix Results 2 and 3 files (GenePix Pro 4.0 to "
               "7.2) by their column titles, so export the results from GenePix Pro as GenePix Results\n" + PRESS, 1,
               files={"slide1.gpr": export.encode()})

    # A last row claiming far more spots than the file has lines.
    claim = list(lines)
    last = max(i for i, line in enumerate(claim) if line.strip())
    fields = claim[last].split(b"\t")
    fields[0], fields[1], fields[2] = b"1000", b"1000", b"1000"
    claim[last] = b"\t".join(fields)
    write_case("spot_count_beyond_the_file",
               through("\n Program running...\n")
               + "\n slide1.gpr, line %d: the last data row (Block 1000, Column 1000, Row 1000) gives 1000000000"
               " spots, but the file has only %d lines\n" % (last + 1, len([l for l in lines if True]) - 1)
               + PRESS, 1,
               files={"slide1.gpr": b"\n".join(claim)})


if __name__ == "__main__":
    main()
