#!/usr/bin/env python3
"""Independent model of a whole Spotweave run, for building expected output.

Given a case folder (result files + answers.txt) it computes the console
text, the exit status and the bytes of cor.txt, data.txt and merge.txt.
Every floating-point step is done in the order the program documents, in
Python floats (IEEE doubles), so the figures match a correct build bit for
bit. Files of GenePix Results 1.2 and 1.4 are read byte by byte with the
same fixed line rules the program uses, not from what the generator meant to
write; files of GenePix Results 2 and 3 are read by their column titles
(class LaterFile).

    reference_model.py CASE_DIR        prints the console text
"""

import math
import os
import re
import sys

NAN = float("nan")
INF = float("inf")
FLAG_VALUES = (0.0, -50.0, 100.0, -75.0, -100.0)
QC_FAILED = -90.0
CONTACT = "spotweave@example.org"


class ModelError(Exception):
    """The case leaves the documented ground (open behaviour); fix the case."""


class RunStop(Exception):
    def __init__(self, status):
        super().__init__(status)
        self.status = status


# ---------------------------------------------------------------- arithmetic

def fdiv(a, b):
    """IEEE division (Python raises on a zero divisor)."""
    try:
        return a / b
    except ZeroDivisionError:
        if a != a or a == 0.0:
            return NAN
        return math.copysign(INF, a) * math.copysign(1.0, b)


def ln(x):
    if x != x or x < 0.0:
        return NAN
    if x == 0.0:
        return -INF
    return math.log(x)


def cexp(x):
    try:
        return math.exp(x)
    except OverflowError:
        return INF


def log2(x):
    return fdiv(ln(x), ln(2.0))


def cfmt(fmt, v):
    """printf "%4.3lf"/"%lf" with one rendering of NaN (never "-nan")."""
    if v != v:
        v = NAN  # Python already prints nan without a sign
    return fmt % v


# ------------------------------------------------------------ statistics

def mean_of(v):
    s = 0.0
    for x in v:
        s += x
    return fdiv(s, float(len(v)))


def sd_of(v):
    m = mean_of(v)
    q = 0.0
    for x in v:
        q += (x - m) * (x - m)
    return math.sqrt(fdiv(q, float(len(v))))


def median_of(v):
    # the program's randomised sort yields the same ascending order
    w = sorted(v)
    n = len(w)
    if n % 2 == 1:
        return w[(n - 1) // 2]
    return (w[n // 2 - 1] + w[n // 2]) * 0.5


def pearson_r(x, y):
    n = len(x)
    sx = 0.0
    sy = 0.0
    for i in range(n):
        sx += x[i]
        sy += y[i]
    mx = fdiv(sx, float(n))
    my = fdiv(sy, float(n))
    sxy = sxx = syy = 0.0
    for i in range(n):
        dx = x[i] - mx
        dy = y[i] - my
        sxy += dx * dy
        sxx += dx * dx
        syy += dy * dy
    return fdiv(sxy, math.sqrt(sxx * syy))


def pearson_r_complete(x, y):
    """Over the positions where neither value is missing (not-a-number)."""
    pairs = [(a, b) for a, b in zip(x, y) if not math.isnan(a) and not math.isnan(b)]
    return pearson_r([a for a, _ in pairs], [b for _, b in pairs])


def log2_pearson_r(x, y):
    lx = []
    ly = []
    for a, b in zip(x, y):
        if a > 0.0 and b > 0.0:
            lx.append(log2(a))
            ly.append(log2(b))
    return pearson_r(lx, ly)


# -------------------------------------------------------------- p-value

LG_COEF = (76.18009173, -86.50532033, 24.01409822, -1.231739516,
           0.00120858003, -0.00000536382)


def log_gamma(x):
    y = x - 1.0
    s = y + 5.5
    s = s - (y + 0.5) * ln(s)
    total = 1.0
    for k in LG_COEF:
        y = y + 1.0
        total = total + k / y
    return -s + ln(2.50662827465 * total)


MAXIT = 100
EPS = 3.0e-7
FPMIN = 1.0e-30

# Two readings of the even step "h <- h x D x C": left to right, or with
# the product D x C formed first. The cases are built so that both give
# the same printed p-value (checked by build_cases.py).
EVEN_STEP_LEFT_TO_RIGHT = True


def betacf(a, b, x):
    qab = a + b
    qap = a + 1.0
    qam = a - 1.0
    c = 1.0
    d = 1.0 - qab * x / qap
    if abs(d) < FPMIN:
        d = FPMIN
    d = 1.0 / d
    h = d
    for m in range(1, MAXIT + 1):
        m2 = 2 * m
        aa = m * (b - m) * x / ((qam + m2) * (a + m2))
        d = 1.0 + aa * d
        if abs(d) < FPMIN:
            d = FPMIN
        c = 1.0 + aa / c
        if abs(c) < FPMIN:
            c = FPMIN
        d = 1.0 / d
        if EVEN_STEP_LEFT_TO_RIGHT:
            h = h * d * c
        else:
            h = h * (d * c)
        aa = -(a + m) * (qab + m) * x / ((a + m2) * (qap + m2))
        d = 1.0 + aa * d
        if abs(d) < FPMIN:
            d = FPMIN
        c = 1.0 + aa / c
        if abs(c) < FPMIN:
            c = FPMIN
        d = 1.0 / d
        dl = d * c
        h = h * dl
        if abs(dl - 1.0) < EPS:
            return h
    raise ModelError("betacf does not converge: the program stops here")


def betai(a, b, x):
    if x != x or x < 0.0 or x > 1.0:
        raise ModelError("Bad x in routine betai")
    if x == 0.0 or x == 1.0:
        bt = 0.0
    else:
        bt = cexp(log_gamma(a + b) - log_gamma(a) - log_gamma(b)
                  + a * ln(x) + b * ln(1.0 - x))
    if x < (a + 1.0) / (a + b + 2.0):
        return fdiv(bt * betacf(a, b, x), a)
    return 1.0 - fdiv(bt * betacf(b, a, 1.0 - x), b)


# 0: (mean x sqrt(d)) / sd as written; 1 and 2 are regroupings that
# build_cases.py uses to check that no printed figure hangs on rounding.
T_ORDER = 0


def t_p_value(log2_mean, log2_sd, n):
    """p-value of the gene's t statistic; -1.0 means none."""
    d = float(n - 1)
    if T_ORDER == 0:
        t = fdiv(log2_mean * math.sqrt(d), log2_sd)
    elif T_ORDER == 1:
        t = log2_mean * fdiv(math.sqrt(d), log2_sd)
    else:
        t = fdiv(log2_mean, log2_sd) * math.sqrt(d)
    if t != t:
        if log2_mean == 0.0 and log2_sd == 0.0:
            return 1.0  # every retained value exactly 1.0
        return -1.0
    return betai(0.5 * d, 0.5, fdiv(d, d + t * t))


# ----------------------------------------------------------- file reading

class Reader:
    """Byte stream of one result file, CR LF read as LF."""

    def __init__(self, data):
        self.data = data.replace(b"\r\n", b"\n").decode("latin-1")
        self.pos = 0

    def get(self):
        if self.pos >= len(self.data):
            return None
        c = self.data[self.pos]
        self.pos += 1
        return c

    def need(self):
        c = self.get()
        if c is None:
            raise ModelError("end of file inside a header or row")
        return c

    def skip_lines(self, n):
        for _ in range(n):
            while True:
                c = self.get()
                if c is None:
                    raise ModelError("end of file while skipping lines")
                if c == "\n":
                    break

    def skip_space(self):
        while self.pos < len(self.data) and self.data[self.pos] in " \t\n\v\f\r":
            self.pos += 1

    def word(self, room=49):
        self.skip_space()
        start = self.pos
        while self.pos < len(self.data) and self.data[self.pos] not in " \t\n\v\f\r":
            self.pos += 1
        w = self.data[start:self.pos]
        # What does not fit its room is dropped.
        return w[:room]

    def quoted_value(self, room):
        c = self.need()
        value = []
        if c != '"':
            if c == "\n":
                return ""
            value.append(c)
        while True:
            c = self.need()
            if c == '"':
                self.skip_lines(1)
                break
            if c == "\n":
                break
            value.append(c)
        # What does not fit its room is dropped.
        return "".join(value)[:room]

    def read_int(self):
        self.skip_space()
        m = re.compile(r"[+-]?\d+").match(self.data, self.pos)
        if not m:
            raise ModelError("integer expected at %d" % self.pos)
        self.pos = m.end()
        return int(m.group())

    _real = re.compile(r"[+-]?(\d+\.?\d*([eE][+-]?\d+)?|\.\d+([eE][+-]?\d+)?)")

    def read_real(self):
        self.skip_space()
        m = self._real.match(self.data, self.pos)
        if not m:
            raise ModelError("number expected at %d: %r"
                             % (self.pos, self.data[self.pos:self.pos + 20]))
        self.pos = m.end()
        return float(m.group())

    def until_tab(self):
        out = []
        while True:
            c = self.need()
            if c == "\t":
                return "".join(out)
            if 32 <= ord(c) <= 126:
                out.append(c)


def c_atoi(token):
    m = re.match(r"[ \t\n\v\f\r]*([+-]?\d+)", token)
    return int(m.group(1)) if m else 0


def c_atof(token):
    m = re.match(r"[ \t\n\v\f\r]*([+-]?(\d+\.?\d*([eE][+-]?\d+)?|\.\d+([eE][+-]?\d+)?))",
                 token)
    if m:
        return float(m.group(1))
    m = re.match(r"[ \t\n\v\f\r]*([+-]?)(infinity|inf|nan)", token, re.I)
    if m:
        v = INF if m.group(2).lower().startswith("inf") else NAN
        return -v if m.group(1) == "-" else v
    return 0.0


# ------------------------------------------------- later file versions

# The 1.x row's 43 titles, in order; R and G stand for the file's red and
# green wavelengths. Later files hold each under its title, anywhere.
TITLES_1X = (
    "Block Column Row Name ID X Y Dia.".split(" ")
    + ["F%s Median", "F%s Mean", "F%s SD", "B%s Median", "B%s Mean", "B%s SD",
       "% > B%s+1SD", "% > B%s+2SD", "F%s % Sat."]
    + [t.replace("%s", "\0") for t in ["F%s Median", "F%s Mean", "F%s SD", "B%s Median",
                                          "B%s Mean", "B%s SD", "% > B%s+1SD", "% > B%s+2SD",
                                          "F%s % Sat."]]
    + ["Ratio of Medians", "Ratio of Means", "Median of Ratios", "Mean of Ratios",
       "Ratios SD", "Rgn Ratio", "Rgn R2", "F Pixels", "B Pixels", "Sum of Medians",
       "Sum of Means", "Log Ratio", "F%s Median - B%s", "F\0 Median - B\0",
       "F%s Mean - B%s", "F\0 Mean - B\0", "Flags"])
assert len(TITLES_1X) == 43

FINITE = re.compile(r"[+-]?(\d+\.?\d*([eE][+-]?\d+)?|\.\d+([eE][+-]?\d+)?)")


def canonical(title):
    t = title.strip(" \t\r\v\f")
    if len(t) >= 2 and t[0] == '"' and t[-1] == '"':
        t = t[1:-1]
    t = t.replace("\u00c2\u00b2", "2").replace("\u00b2", "2").rstrip(" \t\r\v\f")
    return re.sub(r" \(\d+/\d+\)$", "", t)


class LaterFile:
    """A file that shows the later layout, or None from detect()."""

    @staticmethod
    def detect(data):
        lines = data.replace(b"\r\n", b"\n").decode("latin-1").split("\n")
        if len(lines) < 3:
            return None
        if re.split(r"[\t,]", lines[0])[0].strip(" \t\r\v\f").strip('"') != "ATF":
            return None
        counts = [c.strip(" \t\r\v\f") for c in re.split(r"[\t,]", lines[1])]
        counts = [c for c in counts if c]
        if len(counts) != 2 or not all(re.fullmatch(r"\d{1,9}", c) for c in counts):
            return None
        n, m = int(counts[0]), int(counts[1])
        if n + 2 >= len(lines) - (1 if lines[-1] == "" else 0):
            return None
        records = []
        for number, line in enumerate(lines[2:n + 2], start=3):
            text = line.strip(" \t\r\v\f")
            if len(text) >= 2 and text[0] == '"' and text[-1] == '"':
                text = text[1:-1]
            if "=" not in text:
                return None
            key, value = text.split("=", 1)
            records.append((key.strip(" \t\r\v\f"), value, number))
        if not any(k == "Type" and v.strip(" \t\r\v\f") in ("GenePix Results 2", "GenePix Results 3")
                   for k, v, _ in records):
            return None
        titles = lines[n + 2].split("\t")
        while titles and not titles[-1].strip(" \t\r\v\f"):
            titles.pop()
        if len(titles) != m or canonical(titles[0]) != "Block":
            return None
        return LaterFile(records, titles, n + 3, lines[n + 3:])

    def __init__(self, records, titles, title_line, rows):
        self.records, self.titles, self.title_line, self.rows = records, titles, title_line, rows

    def column_map(self, name, say, stop):
        """1.x field number -> column index; refusals as the program words them."""
        canon = [canonical(t) for t in self.titles]
        waves = []
        for t in canon:
            m = re.fullmatch(r"F(\d+) Median", t)
            if m and m.group(1) not in waves:
                waves.append(m.group(1))
        if len(waves) < 2:
            one = " (F%s Median)" % waves[0] if waves else ""
            say("\n %s, line %d: the file holds one channel%s, but the program merges two-channel "
                "result files; give it files scanned at two wavelengths\n" % (name, self.title_line, one))
            stop(1)
        red, green = waves[0], waves[1]
        for key, value, number in self.records:
            if key == "RatioFormulations" and "W2/W1" in value:
                say("\n %s, line %d: the file holds %s/%s ratios (%s=%s), green over red; export it again "
                    "from GenePix Pro with ratios W1/W2 (%s/%s)\n"
                    % (name, number, green, red, key, value, red, green))
                stop(1)
        where = {}
        for field, pattern in enumerate(TITLES_1X, start=1):
            wanted = pattern.replace("%s", red).replace("\0", green)
            if wanted not in canon:
                say("\n %s, line %d: the column \"%s\" is missing from the titles; export the file again "
                    "from GenePix Pro with every standard column\n" % (name, self.title_line, wanted))
                stop(1)
            where[field] = canon.index(wanted)
        return where

    def text_cells(self, where):
        """The columns (from 1) not read as numbers: Name, ID, Log Ratio and those not read at all."""
        read = {i + 1: field for field, i in where.items()}
        return [c for c in range(1, len(self.titles) + 1) if read.get(c, 0) in (0, 4, 5, 38)]

    def images(self):
        for key, value, _ in self.records:
            if key == "ImageFiles":
                return (key + "=" + value)[:399]
        return ""

    def data_rows(self, where):
        """(line number, {field: text}) of each non-blank row, in order."""
        for number, line in enumerate(self.rows, start=self.title_line + 1):
            cells = line.split("\t")
            if not line.strip(" \t\r\v\f"):
                continue
            if len(cells) < len(self.titles) or any(c.strip(" \t\r\v\f") for c in cells[len(self.titles):]):
                raise ModelError("line %d does not hold %d fields" % (number, len(self.titles)))
            yield number, {f: cells[i] for f, i in where.items()}


def later_number(text):
    t = text.strip(" \r\v\f")
    if not FINITE.fullmatch(t):
        raise ModelError("not a finite number: %r" % text)
    v = float(t)
    if math.isinf(v):
        raise ModelError("not a finite number: %r" % text)
    return v


CONTROL = re.compile("[\x00-\x08\x0b\x0c\x0e-\x1f\x7f]")
FIXED_TEXT_CELLS = (4, 5, 38)


def damaged_line(text, first_line, text_cells):
    """(line number, byte) of the first line of `text` (numbered from
    first_line) that holds a byte no text holds, outside the tab-parted cells
    text_cells or NUL anywhere; None when there is none."""
    for number, line in enumerate(text.split("\n"), start=first_line):
        for m in CONTROL.finditer(line):
            if m.group() == "\0" or line.count("\t", 0, m.start()) + 1 not in text_cells:
                return number, ord(m.group())
    return None


def fixed_green_over_red(data):
    """(line number, value) of a RatioFormulation record whose value starts
    with W2/W1 among the header lines (before the column titles) of a file
    whose first cell is ATF; None otherwise."""
    lines = data.replace(b"\r\n", b"\n").decode("latin-1").split("\n")
    first_cell = lambda line: re.split(r"[\t,]", line)[0].strip(" \t\r\v\f").strip('"')
    if len(lines) < 2 or first_cell(lines[0]) != "ATF":
        return None
    for number, line in enumerate(lines[2:], start=3):
        if first_cell(line) == "Block":
            return None
        text = line.strip(" \t\r\v\f")
        if len(text) >= 2 and text[0] == '"' and text[-1] == '"':
            text = text[1:-1]
        key, _, value = text.partition("=")
        if _ and key.strip(" \t\r\v\f") == "RatioFormulation" and value.startswith("W2/W1"):
            return number, value
    return None


def printable(text):
    return "".join(c for c in text if 32 <= ord(c) <= 126)


# ------------------------------------------------------------------ run

class Run:
    def __init__(self, case_dir, answers, command_line=False):
        self.dir = case_dir
        # The command line heads each file's factor lines with its name.
        self.command_line = command_line
        # scanf("%s") tokens: C white space only
        self.tokens = [t for t in re.split(r"[ \t\n\v\f\r]+", answers.decode("latin-1")) if t]
        self.out = []
        self.reports = {}
        self.stop_after_loading = False
        self.options = {}

    def say(self, text):
        self.out.append(text)

    def answer(self):
        if not self.tokens:
            raise ModelError("answers run out")
        t = self.tokens.pop(0)
        if len(t) > 49:
            raise ModelError("answer longer than 49 characters")
        return t

    def can_open(self, name):
        return os.path.isfile(os.path.join(self.dir, name))

    def read_file(self, name):
        with open(os.path.join(self.dir, name), "rb") as f:
            return f.read()

    def refuse_green_over_red(self, name, data):
        """A 1.x file whose ratios are green over red is refused as a later one is."""
        found = fixed_green_over_red(data)
        if found:
            self.say("\n %s, line %d: the file holds 532/635 ratios (RatioFormulation=%s), green over red; export it "
                     "again from GenePix Pro with ratios W1/W2 (635/532)\n" % (name, found[0], found[1]))
            self.stop(1)

    def stop_if_damaged(self, name, text, first_line, text_cells):
        """A byte no text holds after the header ends the run at its line."""
        damage = damaged_line(text, first_line, text_cells)
        if damage:
            self.say("\n %s, line %d: the file is damaged here: the line holds the byte 0x%02X, which no text "
                     "file holds; use an undamaged copy of the file\n" % (name, damage[0], damage[1]))
            self.stop(1)

    def echo(self, name, images):
        """The header value naming the images, before the factor lines."""
        if self.command_line:
            self.say("\n%s:%s\n" % (name, " " + images if images else ""))
        else:
            self.say("\n%s\n" % images)

    def stop(self, status):
        self.say("press any key to exit the program\n")
        raise RunStop(status)

    # dialogue
    def dialogue(self):
        self.say("You are using Spotweave 5.0 released on Jan 30, 2002.\n"
                 " -----------------------\n")
        prompt = "Input the number of data files you want to merge together:  "
        self.say(prompt)
        while True:
            v = c_atoi(self.answer())
            if v == 0:
                self.say("Invalid Input! You are expected to enter a integer!\n\n")
            elif v < 0 or v > 99:
                self.say("Invalid Input! You are expected to enter an integer "
                         "from 1 to 99!\n\n")
            else:
                break
            self.say(prompt)
        self.nf = v
        self.say("\n Input the number of replicated spots in each file:  ")
        v = c_atoi(self.answer())
        while v < 1:
            self.say("\n Invalid Input! You are expected to enter a positive integer!\n\n")
            self.say("Input the number of replicated spots in each slides:  ")
            v = c_atoi(self.answer())
        self.nr = v
        self.say("\n Input the file names(no space allowed  within a filename):  ")
        self.say("\n")
        self.names = []
        for h in range(1, self.nf + 1):
            while True:
                self.say("\n file name %d:  " % h)
                name = self.answer()
                ok = True
                if not self.can_open(name):
                    self.say("can't open  file: %s\n Please enter the file name again\n"
                             % name)
                    ok = False
                if h >= 2:
                    for j, earlier in enumerate(self.names, start=1):
                        if earlier == name:
                            self.say("%s has been used by file name %d\n"
                                     " Please enter the file name again\n" % (name, j))
                            ok = False
                if ok:
                    break
            self.names.append(name)
        self.say("\n\nThe Files you want to merge are\n")
        for h, name in enumerate(self.names, start=1):
            self.say("  File name %d:\t %s\n" % (h, name))
        self.say("\n\n")
        self.say("There are 5 different approaches used by GenePix Pro 3.0 to calculate "
                 "channel ratio from Pixel Intensities, these are:\n"
                 "1 --- Ratio of Medians.\n2 --- Ratio of Means.\n"
                 "3 --- Median of Ratios.\n4 --- Mean of Ratios.\n"
                 "5 --- Regression Ratio.\n\n"
                 "Please enter a number (1,2,3,4,5) to make your choice:  ")
        v = c_atoi(self.answer())
        self.say("\n")
        while v not in (1, 2, 3, 4, 5):
            self.say("Invalid Input, you are expected to enter a number from 1 to 5\n"
                     "Please enter your choice again:  ")
            v = c_atoi(self.answer())
            self.say("\n")
        self.approach = v
        self.say("Please input the constant C for the quality control purpose:\n"
                 "if for a spot the fraction (intensity/background) less than C for "
                 "both channel,\n"
                 "then this spot will be not accounted for. (1.0 <= C<= 5.0, C=2.0 "
                 "recommended)\n"
                 "C=")
        c = c_atof(self.answer())
        self.say("\n")
        while not (1.0 <= c <= 5.0):
            self.say("Invalid Input, you are expected to enter a real number from 1.0 "
                     "to 5.0\nPlease enter C again:  ")
            c = c_atof(self.answer())
            self.say("\n")
        self.C = c

    # sizing scan of file 1
    def sizing_scan(self):
        name = self.names[0]
        data = self.read_file(name)
        later = LaterFile.detect(data)
        if later is not None:
            return self.sizing_scan_later(name, later)
        self.refuse_green_over_red(name, data)
        r = Reader(data)
        if r.word() != "ATF":
            self.say("\n %s is not a valid GenePix output file\n" % name)
            self.say("\n")
            self.stop(1)
        r.skip_lines(18)
        v19 = r.quoted_value(399)
        r.skip_lines(8 if "RatioFormulation" in v19 else 10)
        cand = r.quoted_value(49)
        if "Block" not in cand:
            r.skip_lines(2)
        self.say("\n Program running...\n")
        self.stop_if_damaged(name, r.data[r.pos:], r.data.count("\n", 0, r.pos) + 1, FIXED_TEXT_CELLS)
        last = 0.0
        layout = None
        while True:
            if last not in FLAG_VALUES:
                break
            c = r.get()
            if c is None:
                break
            text = c
            while True:
                c = r.need()
                if c == "\t":
                    break
                text += c
            if len(text) > 9:
                raise ModelError("Block text longer than its room")
            block = c_atoi(text)
            column = r.read_int()
            row = r.read_int()
            layout = (block, column, row)
            r.need()
            r.until_tab()
            r.until_tab()
            for _ in range(32):
                last = r.read_real()
            r.word()
            for _ in range(5):
                last = r.read_real()
            r.skip_lines(1)
        if layout is None:
            raise ModelError("no data row in file 1")
        self.ns = layout[0] * layout[1] * layout[2]
        self.say("The number of total spots in each file:  %d\n" % self.ns)
        self.ng = self.ns // self.nr

    def sizing_scan_later(self, name, later):
        where = later.column_map(name, self.say, self.stop)
        self.say("\n Program running...\n")
        self.stop_if_damaged(name, "\n".join(later.rows), later.title_line + 1, later.text_cells(where))
        layout = None
        for _, fields in later.data_rows(where):
            layout = tuple(int(fields[k].strip(" \r\v\f")) for k in (1, 2, 3))
            if later_number(fields[43]) not in FLAG_VALUES:
                break
        if layout is None:
            raise ModelError("no data row in file 1")
        self.ns = layout[0] * layout[1] * layout[2]
        self.say("The number of total spots in each file:  %d\n" % self.ns)
        self.ng = self.ns // self.nr

    def load_later(self, h, name, later):
        where = later.column_map(name, self.say, self.stop)
        method = next((v.strip(" \t\r\v\f") for k, v, _ in later.records if k == "NormalizationMethod"), "")
        self.kinds.append("none" if method in ("", "None") else "genepix")
        self.echo(name, later.images())
        for label in ("Ratio of Median", "Ratio of Mean", "Median of Ratios", "Mean of Ratios",
                      "Regression Ratio"):
            self.say("N. Factor-%s: %f\n" % (label, 1.0))
        self.factor.append([0.0] + [1.0] * 5)
        self.stop_if_damaged(name, "\n".join(later.rows), later.title_line + 1, later.text_cells(where))
        rows = later.data_rows(where)
        ratio_field = {1: 27, 2: 28, 3: 29, 4: 30, 5: 32}[self.approach]
        columns = {k: [] for k in ("f632", "b632", "f532", "b532", "ratio", "flag")}
        own_flags, places = [], []
        for s in range(self.ns):
            got = next(rows, None)
            if got is None:
                raise ModelError("file %s ends after %d rows" % (name, s))
            _, fields = got
            values = {k: later_number(fields[k]) for k in fields if k >= 6 and k != 38}
            if h == self.nf:
                self.layout[s] = tuple(int(fields[k].strip(" \r\v\f")) for k in (1, 2, 3))
            self.gene_name[s] = printable(fields[4])[:500]
            self.gene_id[s] = printable(fields[5])[:50]
            flag = values[43]
            own_flags.append(flag)
            places.append((values[6], values[7]))
            if not (fdiv(values[9], values[12]) >= self.C) and not (fdiv(values[18], values[21]) >= self.C):
                flag = QC_FAILED
            for key, value in (("f632", values[9]), ("b632", values[12]), ("f532", values[18]),
                               ("b532", values[21]), ("ratio", values[ratio_field]), ("flag", flag)):
                columns[key].append(value)
        self.f632.append(columns["f632"])
        self.b632.append(columns["b632"])
        self.f532.append(columns["f532"])
        self.b532.append(columns["b532"])
        self.ratio.append(columns["ratio"])
        self.flag.append(columns["flag"])
        self.file_flag.append(own_flags)
        self.places.append(places)

    # header walk + loading of file h
    def load(self, h):
        name = self.names[h - 1]
        if not self.can_open(name):
            self.say("can't open the data file: %s\n" % name)
            self.stop(1)
        data = self.read_file(name)
        later = LaterFile.detect(data)
        if later is not None:
            return self.load_later(h, name, later)
        self.refuse_green_over_red(name, data)
        r = Reader(data)
        if r.word() != "ATF":
            self.say("\n %s is not a valid GenePix output file.\n" % name)
            self.say("\n")
            self.stop(1)
        r.skip_lines(9)
        r.quoted_value(399)
        line11 = r.quoted_value(399)
        self.echo(name, line11)
        r.skip_lines(1)
        labels = ["N. Factor-Ratio of Median: %f\n", "N. Factor-Ratio of Mean: %f\n",
                  "N. Factor-Median of Ratios: %f\n", "N. Factor-Mean of Ratios: %f\n",
                  "N. Factor-Regression Ratio: %f\n"]
        keylen = [35, 33, 35, 33, 36]
        factors = [0.0] * 6
        c = r.need()
        if c == '"':
            c = r.need()
        if c == "N":
            for _ in range(34):
                r.need()
        else:
            r.skip_lines(2)
            c = r.need()
            for _ in range(34 if c == "N" else 35):
                r.need()
        factors[1] = r.read_real()
        self.say(labels[0] % factors[1])
        r.skip_lines(1)
        for k in range(2, 6):
            c = r.need()
            for _ in range(keylen[k - 1] - 1 if c == "N" else keylen[k - 1]):
                r.need()
            factors[k] = r.read_real()
            self.say(labels[k - 1] % factors[k])
            r.skip_lines(10 if k == 5 else 1)
        c = r.need()
        if c == '"':
            c = r.need()
        r.skip_lines(2 if c == "S" else 1)
        self.stop_if_damaged(name, r.data[r.pos:], r.data.count("\n", 0, r.pos) + 1, FIXED_TEXT_CELLS)
        self.factor.append(factors)
        self.kinds.append("factor")

        ratio_field = {1: 27, 2: 28, 3: 29, 4: 30, 5: 32}[self.approach]
        f632, b632, f532, b532, ratio, flag, own_flags, places = [], [], [], [], [], [], [], []
        for s in range(self.ns):
            block = r.read_int()
            column = r.read_int()
            row = r.read_int()
            if r.need() != "\t":
                raise ModelError("tab expected after Row")
            gname = r.until_tab()
            gid = r.until_tab()
            if len(gname) > 500 or len(gid) > 50:
                raise ModelError("name or ID too long")
            fields = {}
            for k in range(6, 44):
                fields[k] = r.word() if k == 38 else r.read_real()
            if h == self.nf:
                self.layout[s] = (block, column, row)
            self.gene_name[s] = gname
            self.gene_id[s] = gid
            f632.append(fields[9])
            b632.append(fields[12])
            f532.append(fields[18])
            b532.append(fields[21])
            ratio.append(fields[ratio_field])
            fl = fields[43]
            own_flags.append(fl)
            places.append((fields[6], fields[7]))
            q632 = fdiv(fields[9], fields[12])
            q532 = fdiv(fields[18], fields[21])
            if not (q632 >= self.C) and not (q532 >= self.C):
                fl = QC_FAILED
            flag.append(fl)
        self.f632.append(f632)
        self.b632.append(b632)
        self.f532.append(f532)
        self.b532.append(b532)
        self.ratio.append(ratio)
        self.flag.append(flag)
        self.file_flag.append(own_flags)
        self.places.append(places)

    def warn_mixed_normalisation(self):
        """Files normalised by their header factors beside files GenePix did not normalise."""
        by_factor = [n for n, k in zip(self.names, self.kinds) if k == "factor"]
        not_normalised = [n for n, k in zip(self.names, self.kinds) if k == "none"]
        if by_factor and not_normalised:
            self.say("warning: the ratios of %s are multiplied by their header's normalisation factors, those of "
                     "%s (NormalizationMethod=None) are not normalised at all; --normalise median (or loess, "
                     "printtiploess) on the command line treats all files alike\n"
                     % (", ".join(by_factor), ", ".join(not_normalised)))

    # cor.txt
    def aside(self, f, s):
        cutoff = self.options.get("flag_cutoff")
        return cutoff is not None and math.floor(self.file_flag[f][s]) < cutoff

    def normalise(self):
        """The ratios the reports read, and M as normalised.txt shows it:
        ratio x factor under the header factors (1.0 under none), or 2^M of
        M = log2 ratio less the file's median; missing (NaN) below the flag
        cutoff, and for M where there is no ratio."""
        method = self.options.get("normalise", "header")
        self.m = []
        for f in range(self.nf):
            fac = 1.0 if method == "none" else self.factor[f][self.approach]
            ms = []
            for s in range(self.ns):
                ratio = self.ratio[f][s]
                red = self.f632[f][s] - self.b632[f][s]
                green = self.f532[f][s] - self.b532[f][s]
                m = NAN
                if not self.aside(f, s) and ratio > 0 and ratio != 100000.0:
                    if method != "median":
                        m = log2(fac * ratio) if fac * ratio > 0 else NAN
                    elif red > 0 and green > 0:
                        m = log2(ratio)
                ms.append(m)
            if method == "median":
                present = sorted(m for m in ms if not math.isnan(m))
                k = len(present)
                middle = present[k // 2] if k % 2 else (present[k // 2 - 1] + present[k // 2]) / 2
                ms = [m - middle for m in ms]
                self.ratio[f] = [NAN if math.isnan(m) else 2.0 ** m for m in ms]
            else:
                self.ratio[f] = [NAN if self.aside(f, s) else fac * self.ratio[f][s] for s in range(self.ns)]
            self.m.append(ms)

    def normalised_report(self):
        o = ["\t".join(["Number", "Block", "Column", "Row", "Name", "ID"] + self.names) + "\n"]
        for s in range(self.ns):
            b, c, r = self.layout[s]
            o.append("%d\t%d\t%d\t%d\t%s\t%s" % (s + 1, b, c, r, self.gene_name[s], self.gene_id[s]))
            o += ["\t-" if math.isnan(self.m[f][s]) else cfmt("\t%f", self.m[f][s]) for f in range(self.nf)]
            o.append("\n")
        self.reports["normalised.txt"] = "".join(o)

    def cor_report(self):
        nf, ns = self.nf, self.ns
        net632 = [[NAN if self.aside(f, s) else self.f632[f][s] - self.b632[f][s] for s in range(ns)]
                  for f in range(nf)]
        net532 = [[NAN if self.aside(f, s) else self.f532[f][s] - self.b532[f][s] for s in range(ns)]
                  for f in range(nf)]
        self.normalise()
        names = "".join("%s\t" % n for n in self.names)
        cutoff = self.options.get("flag_cutoff") is not None
        raw_intensity = pearson_r_complete if cutoff else pearson_r
        raw_ratio = pearson_r_complete if cutoff or self.options.get("normalise") == "median" else pearson_r

        def block(fn, rows):
            out = ["File Name\t", names, "\n"]
            for i in range(nf):
                out.append("%s\t" % self.names[i])
                for j in range(nf):
                    if j > i:
                        out.append(cfmt("%4.3f\t", fn(rows[i], rows[j])))
                    else:
                        out.append("-\t")
                out.append("\n")
            return "".join(out)

        o = ["==================Raw Scale=====================\n\n",
             "\n--- Correlation Coefficient of F632 and F532 Intensities(bkg subtracted)"
             "  for each  data file ---\n", names, "\n"]
        o += [cfmt("%4.3f\t", raw_intensity(net632[f], net532[f])) for f in range(nf)]
        o.append("\n")
        o.append("\n--- Correlation Coefficient of F632 Intensities(bkg subtracted)"
                 "  for each pair of data files ---\n")
        o.append(block(raw_intensity, net632))
        o.append("\n--- Correlation Coefficient of F532 Intensities(bkg subtracted)"
                 "  for each pair of data files ---\n")
        o.append(block(raw_intensity, net532))
        o.append("\n----------- Correlation Coefficient of Ratio for each pair of data"
                 " files ----------\n")
        o.append(block(raw_ratio, self.ratio))
        o.append("\n\n==================Log2 Scale=====================\n\n")
        o.append("\n--- Correlation Coefficient of Log-F632&F532 Intensities(bkg subtracted)"
                 "  for each  data file ---\n")
        o += [names, "\n"]
        o += [cfmt("%4.3f\t", log2_pearson_r(net632[f], net532[f])) for f in range(nf)]
        o.append("\n")
        o.append("\n--- Correlation Coefficient of Log2-F632 Intensities(bkg subtracted)"
                 "  for each pair of data files ---\n")
        o.append(block(log2_pearson_r, net632))
        o.append("\n--- Correlation Coefficient of Log2-F532 Intensities(bkg subtracted)"
                 "  for each pair of data files ---\n")
        o.append(block(log2_pearson_r, net532))
        o.append("\n----------- Correlation Coefficient of Log2 Ratio for each pair of"
                 " data files ----------\n")
        o.append(block(log2_pearson_r, self.ratio))
        o.append("\n")
        self.reports["cor.txt"] = "".join(o)

    # data.txt
    def data_report(self):
        o = ["begin data\n", "Number\tPosition\tGene Name\tID\t"]
        o += ["%s(ratio)\t" % n for n in self.names]
        o.append("\n")
        for s in range(self.ns):
            b, c, r = self.layout[s]
            o.append("%d\tB%d C%d R%d\t%s\t%s\t" % (s + 1, b, c, r,
                                                   self.gene_name[s], self.gene_id[s]))
            o += ["-\t" if math.isnan(self.ratio[f][s]) else cfmt("%4.3f\t", self.ratio[f][s])
                  for f in range(self.nf)]
            o.append("\n")
        o.append("end data\n")
        self.reports["data.txt"] = "".join(o)

    # per-gene statistics
    def merge(self):
        F, R, G = self.nf, self.nr, self.ng
        N = R * F
        gene_ratio = [[self.ratio[j // R][g * R + j % R] for j in range(N)] for g in range(G)]
        gene_ratio = [[0.0 if math.isnan(v) else v for v in row] for row in gene_ratio]
        gene_flag = [[self.flag[j // R][g * R + j % R] for j in range(N)] for g in range(G)]
        if self.options.get("flag_cutoff") is not None:
            # The cutoff has decided about the file's flags; only the test against C is left.
            gene_flag = [[v if v == QC_FAILED else 0.0 for v in row] for row in gene_flag]
        self.file_gene_mean = [[0.0] * G for _ in range(F)]
        for f in range(F):
            for g in range(G):
                pos = [x for x in gene_ratio[g][f * R:(f + 1) * R] if x > 0.0]
                if pos:
                    self.file_gene_mean[f][g] = mean_of(pos)
        for g in range(G):
            for j in range(N):
                if gene_flag[g][j] < 0.0:
                    gene_ratio[g][j] = 0.0
        self.file_unusable = [0] * F
        self.file_outliers = [0] * F
        self.genes = []
        for g in range(G):
            st = dict(mean=0.0, sd=0.0, cv=0.0, median=0.0, log2_mean=-10000.0,
                      log2_sd=0.0, p=-1.0, unusable=0, used=0, outliers=0)
            self.genes.append(st)
            values = gene_ratio[g]
            for j in range(N):
                if not (values[j] > 0.0):
                    self.file_unusable[j // R] += 1
                    st["unusable"] += 1
            n = N - st["unusable"]
            st["used"] = n
            if n == 0:
                continue
            kept = sorted(x for x in values if x > 0.0)
            assert len(kept) == n
            if n == 1:
                v = kept[0]
                st.update(mean=v, median=v, log2_mean=log2(v), sd=0.0,
                          log2_sd=0.0, cv=0.0, p=-1.0)
                continue
            if n >= 3:
                while True:
                    q = fdiv(mean_of(kept), median_of(kept))
                    if q <= 2.0 or len(kept) <= 2:
                        break
                    u = kept[-1]
                    for j in range(N):
                        if values[j] == u:
                            self.file_outliers[j // R] += 1
                    st["outliers"] += 1
                    kept.pop()
                    st["used"] = len(kept)
            if len(kept) == 2:
                a, b = kept
                if fdiv(b, a) > 8.0:
                    for j in range(N):
                        if values[j] == a:
                            self.file_outliers[j // R] += 1
                    for j in range(N):
                        if values[j] == b:
                            self.file_outliers[j // R] += 1
                    st["outliers"] += 2
                    st["used"] = 0
                    st["p"] = -1.0
                    continue
            self.statistics(st, kept)

    def statistics(self, st, x):
        n = len(x)
        st["mean"] = mean_of(x)
        st["median"] = median_of(x)
        st["sd"] = sd_of(x)
        lg = [log2(v) for v in x]
        st["log2_mean"] = mean_of(lg)
        st["log2_sd"] = sd_of(lg)
        st["cv"] = fdiv(st["sd"], st["mean"])
        st["p"] = t_p_value(st["log2_mean"], st["log2_sd"], n)

    # merge.txt
    def merge_report(self):
        F, R, G = self.nf, self.nr, self.ng
        o = ["The number of data sets merged:\t %d\n" % F,
             "The number of genes in each file:\t %d\n" % G,
             "The nummber of replicated spots in each file:\t %d\n\n" % R,
             "The number of spots not used in ratio calculation in each data set:\n"]
        o += ["%s\t" % n for n in self.names] + ["\n"]
        o += ["%d\t" % (self.file_unusable[f] + self.file_outliers[f]) for f in range(F)]
        o += ["\n", "\n", "The number of outliers found in each data set:\n"]
        o += ["%s\t" % n for n in self.names] + ["\n"]
        o += ["%d\t" % self.file_outliers[f] for f in range(F)] + ["\n", "\n"]
        o.append("Number\tPosition\tName\tID\t")
        o += ["%s-Ratio\t" % n for n in self.names]
        o.append("Mean of Ratio\tStandard Deviation\tCV\tMedian of Ratio\t"
                 "Mean of Log2-Ratio\tStandard Deviation of Log2-Ratio\t"
                 "P-Value(t statistic)\tSpots used\tOutliers Found\n")
        for g in range(G):
            st = self.genes[g]
            a = g * R + 1
            b = (g + 1) * R
            lb = self.layout[b - 1]
            la = self.layout[a - 1]
            o.append("%3d-%3d\t" % (a, b))
            o.append("B%d C%d-C%d R%d\t" % (lb[0], la[1], lb[1], lb[2]))
            o.append("%s\t%s\t" % (self.gene_name[b - 1], self.gene_id[b - 1]))
            o += [cfmt("%4.3f\t", self.file_gene_mean[f][g]) for f in range(F)]
            for key in ("mean", "sd", "cv", "median", "log2_mean", "log2_sd"):
                o.append(cfmt("%4.3f\t", st[key]) if st["used"] != 0 else "-\t")
            o.append(cfmt("%f\t", st["p"]) if st["p"] >= 0.0 else "-\t")
            o.append("%d\t" % st["used"])
            o.append("%d\n" % st["outliers"])
        self.reports["merge.txt"] = "".join(o)

    def run(self):
        try:
            self.dialogue()
            self.sizing_scan()
            self.layout = [None] * self.ns
            self.gene_name = [None] * self.ns
            self.gene_id = [None] * self.ns
            self.factor = []
            self.f632, self.b632, self.f532, self.b532 = [], [], [], []
            self.ratio, self.flag, self.file_flag = [], [], []
            self.kinds = []
            self.places = []
            for h in range(1, self.nf + 1):
                self.load(h)
            self.warn_mixed_normalisation()
            if self.stop_after_loading:
                return 0
            self.cor_report()
            if self.options:
                self.normalised_report()
            self.data_report()
            self.merge()
            self.merge_report()
            self.say("\nOK!\n Check output files <merge.txt>, <data.txt> and <cor.txt> "
                     "for results\n\n Please send bug reports to  %s\n\n" % CONTACT)
            self.say("\n\nPress Any Key to Continue\n")
            status = 0
        except RunStop as e:
            status = e.status
        return status


def run_case(case_dir, answers=None, options=None, command_line=False):
    """-> (console text, exit status, {report name: text}) as bytes/str. With
    command_line, the console text of a command-line run with these answers
    as options (the dialogue's own lines aside). options: the analysis
    options of the command line the model knows,
    {"normalise": "header" | "none" | "median", "flag_cutoff": N}."""
    if answers is None:
        with open(os.path.join(case_dir, "answers.txt"), "rb") as f:
            answers = f.read()
    run = Run(case_dir, answers, command_line)
    run.options = dict(options or {})
    status = run.run()
    console = "".join(run.out).encode("latin-1")
    reports = {k: v.encode("latin-1") for k, v in run.reports.items()}
    return console, status, reports


def main(argv):
    if len(argv) != 2:
        sys.stderr.write("usage: reference_model.py CASE_DIR\n")
        return 2
    console, status, reports = run_case(argv[1])
    sys.stdout.buffer.write(console)
    sys.stderr.write("status %d, reports: %s\n" % (status, " ".join(sorted(reports))))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))


def load_files(case_dir, names, approach=1):
    """The tables of the files `names` in case_dir as the program loads them
    (replicates 1, C 2.0); raises RunStop when the program refuses them."""
    answers = "%d\n1\n%s\n%d\n2.0\nk" % (len(names), "\n".join(names), approach)
    run = Run(case_dir, answers.encode())
    run.stop_after_loading = True
    if run.run() != 0:
        raise RunStop(1)
    return run
