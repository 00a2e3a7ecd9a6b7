#!/usr/bin/env python3
"""Synthetic GenePix result files ("ATF" text, one row per spot).

The spot values live in the 43 fields of the GenePix Results 1.4 row; a file
is written in that layout (version "1.4" or "1.2") or in one of the later
layouts of LATER_LAYOUTS, whose columns carry the same values under their
titles, in their places, among columns of their own.

Used as a library by build_cases.py and as a small command-line program:

    make_result_file.py --blocks 2 --columns 4 --rows 3 --seed 7 -o slide1.gpr

Output is deterministic for a given seed and set of options.
"""

import argparse
import random
import sys

# 1-based field numbers of a data row.
BLOCK, COLUMN, ROW, NAME, ID = 1, 2, 3, 4, 5
X, Y, DIA = 6, 7, 8
F635_MEDIAN, F635_MEAN, F635_SD = 9, 10, 11
B635_MEDIAN, B635_MEAN, B635_SD = 12, 13, 14
F532_MEDIAN, F532_MEAN, F532_SD = 18, 19, 20
B532_MEDIAN, B532_MEAN, B532_SD = 21, 22, 23
RATIO_OF_MEDIANS, RATIO_OF_MEANS = 27, 28
MEDIAN_OF_RATIOS, MEAN_OF_RATIOS = 29, 30
RATIOS_SD, RGN_RATIO, RGN_R2 = 31, 32, 33
LOG_RATIO = 38
FLAGS = 43
FIELD_COUNT = 43

# ratio approach number -> field holding that ratio
APPROACH_FIELD = {1: RATIO_OF_MEDIANS, 2: RATIO_OF_MEANS, 3: MEDIAN_OF_RATIOS,
                  4: MEAN_OF_RATIOS, 5: RGN_RATIO}

TITLES = ["Block", "Column", "Row", "Name", "ID", "X", "Y", "Dia.",
          "F635 Median", "F635 Mean", "F635 SD", "B635 Median", "B635 Mean",
          "B635 SD", "% > B635+1SD", "% > B635+2SD", "F635 % Sat.",
          "F532 Median", "F532 Mean", "F532 SD", "B532 Median", "B532 Mean",
          "B532 SD", "% > B532+1SD", "% > B532+2SD", "F532 % Sat.",
          "Ratio of Medians", "Ratio of Means", "Median of Ratios",
          "Mean of Ratios", "Ratios SD", "Rgn Ratio", "Rgn R2", "F Pixels",
          "B Pixels", "Sum of Medians", "Sum of Means", "Log Ratio",
          "F635 Median - B635", "F532 Median - B532", "F635 Mean - B635",
          "F532 Mean - B532", "Flags"]

FACTOR_KEYS = ["NormalizationFactor:RatioOfMedians=",
               "NormalizationFactor:RatioOfMeans=",
               "NormalizationFactor:MedianOfRatios=",
               "NormalizationFactor:MeanOfRatios=",
               "NormalizationFactor:RegressionRatio="]
assert [len(k) for k in FACTOR_KEYS] == [35, 33, 35, 33, 36]


# Later layouts: one (title, source) per column. A source is the 1.x field
# number whose text the column carries, or the fixed text of a column the
# 1.x layout lacks. {r} and {g} stand for the red and green wavelengths.
def _channel(w, first, with_cv=False, bare_background=False):
    """The nine (or, from Pro 5, twelve) columns of one channel."""
    out = [("F%s Median" % w, first), ("F%s Mean" % w, first + 1), ("F%s SD" % w, first + 2)]
    if with_cv:
        out.append(("F%s CV" % w, "41"))
    if bare_background:
        out.append(("B%s" % w, "150"))
    out += [("B%s Median" % w, first + 3), ("B%s Mean" % w, first + 4), ("B%s SD" % w, first + 5)]
    if with_cv:
        out.append(("B%s CV" % w, "77"))
    out += [("%% > B%s+1SD" % w, first + 6), ("%% > B%s+2SD" % w, first + 7), ("F%s %% Sat." % w, first + 8)]
    return out


def _unused_channel(w):
    return [(t, "0") for t, _ in _channel(w, 0)]


def _ratio_set(suffix, r2="R\xb2", fields=(27, 28, 29, 30, 31, 32, 33)):
    names = ["Ratio of Medians", "Ratio of Means", "Median of Ratios", "Mean of Ratios",
             "Ratios SD", "Rgn Ratio", "Rgn " + r2]
    if isinstance(fields, str):
        return [("%s %s" % (n, suffix), fields) for n in names]
    return [("%s %s" % (n, suffix), f) for n, f in zip(names, fields)]


HEAD = [("Block", 1), ("Column", 2), ("Row", 3), ("Name", 4), ("ID", 5), ("X", 6), ("Y", 7), ("Dia.", 8)]
NET = [("F{r} Median - B{r}", 39), ("F{g} Median - B{g}", 40), ("F{r} Mean - B{r}", 41),
       ("F{g} Mean - B{g}", 42)]

LATER_LAYOUTS = {
    # GenePix Pro 4.0.1, GenePix Results 2: four channels, three ratio sets.
    "2": HEAD + _channel("{r}", 9) + _channel("{g}", 18) + _unused_channel("3") + _unused_channel("4")
    + _ratio_set("({r}/{g})") + _ratio_set("(Ratio/2)", fields="0") + _ratio_set("(Ratio/3)", fields="0")
    + [("F Pixels", 34), ("B Pixels", 35), ("Sum of Medians", 36), ("Sum of Means", 37),
       ("Log Ratio ({r}/{g})", 38), ("Log Ratio (Ratio/2)", "Error"), ("Log Ratio (Ratio/3)", "Error"),
       NET[0], NET[1], ("F3 Median - B3", "0"), ("F4 Median - B4", "0"), NET[2], NET[3],
       ("F3 Mean - B3", "0"), ("F4 Mean - B4", "0"), ("Flags", 43), ("Normalize", "0")],
    # GenePix Pro 4.1, GenePix Results 3.
    "3-4.1": HEAD + _channel("{r}", 9) + _channel("{g}", 18) + _ratio_set("({r}/{g})")
    + [("F Pixels", 34), ("B Pixels", 35), ("Sum of Medians", 36), ("Sum of Means", 37),
       ("Log Ratio ({r}/{g})", 38)] + NET
    + [("F{r} Total Intensity", "9000"), ("F{g} Total Intensity", "8000"), ("SNR {r}", "3.5"),
       ("SNR {g}", "2.25"), ("Flags", 43), ("Normalize", "0")],
    # GenePix Pro 5.0 to 7.2, GenePix Results 3: 56 columns.
    "3": HEAD + _channel("{r}", 9, True, True) + _channel("{g}", 18, True, True)
    + _ratio_set("({r}/{g})", r2="R2")
    + [("F Pixels", 34), ("B Pixels", 35), ("Circularity", "100"), ("Sum of Medians ({r}/{g})", 36),
       ("Sum of Means ({r}/{g})", 37), ("Log Ratio ({r}/{g})", 38)] + NET
    + [("F{r} Total Intensity", "9000"), ("F{g} Total Intensity", "8000"), ("SNR {r}", "3.5"),
       ("SNR {g}", "2.25"), ("Flags", 43), ("Normalize", "0"), ("Autoflag", "0")],
}
# Pro 6 with the array-list file's own columns after the standard ones.
LATER_LAYOUTS["3-gal"] = LATER_LAYOUTS["3"] + [
    ("RefNumber", "12"), ("ControlType", "false"), ("GeneName", "some gene"), ("TopHit", ""),
    ("Description", "a description, with text")]
assert len(LATER_LAYOUTS["2"]) == 82 and len(LATER_LAYOUTS["3-4.1"]) == 48 and len(LATER_LAYOUTS["3"]) == 56
LATER_TYPES = {"2": "GenePix Results 2", "3-4.1": "GenePix Results 3", "3": "GenePix Results 3",
               "3-gal": "GenePix Results 3"}
LATER_CREATORS = {"2": "GenePix Pro 4.0.1.14", "3-4.1": "GenePix Pro 4.1.1.28", "3": "GenePix Pro 5.0.1.27",
                  "3-gal": "GenePix Pro 6.1.0.2"}


def fmt_ratio(v):
    return "%.3f" % v


class Spot:
    """One data row: 43 text fields, index 1..43."""

    def __init__(self, block, column, row):
        self.fields = [""] * (FIELD_COUNT + 1)
        self.fields[BLOCK] = str(block)
        self.fields[COLUMN] = str(column)
        self.fields[ROW] = str(row)

    def __getitem__(self, k):
        return self.fields[k]

    def __setitem__(self, k, value):
        if k == 0 or k > FIELD_COUNT:
            raise IndexError(k)
        self.fields[k] = value if isinstance(value, str) else _num(value)

    def set(self, name=None, id=None, f635=None, b635=None, f532=None,
            b532=None, ratio=None, approach=None, ratios=None, flag=None,
            word=None):
        """Override selected values. ratio+approach sets one ratio field;
        ratios sets all five (a number or a 5-sequence)."""
        if name is not None:
            self.fields[NAME] = name
        if id is not None:
            self.fields[ID] = id
        for k, v in ((F635_MEDIAN, f635), (B635_MEDIAN, b635),
                     (F532_MEDIAN, f532), (B532_MEDIAN, b532)):
            if v is not None:
                self[k] = v
        if ratios is not None:
            if isinstance(ratios, (int, float, str)):
                ratios = [ratios] * 5
            for a, v in zip(range(1, 6), ratios):
                self[APPROACH_FIELD[a]] = v
        if ratio is not None:
            self[APPROACH_FIELD[approach]] = ratio
        if flag is not None:
            self[FLAGS] = flag
        if word is not None:
            self.fields[LOG_RATIO] = word
        return self

    def line(self, sep_numbers="\t"):
        head = "\t".join(self.fields[1:6])
        tail = sep_numbers.join(self.fields[6:])
        return head + "\t" + tail


def _num(v):
    if isinstance(v, int):
        return str(v)
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


class ResultFile:
    """Header options plus spot rows; to_bytes() renders the file."""

    def __init__(self, spots, factors=("1", "1", "1", "1", "1"),
                 layout=15, supplier_line=True, quoted=True, crlf=False,
                 file_name_value="FileName=slide_635.tif\tslide_532.tif",
                 first_line="ATF\t1.0", leading_blank_lines=0,
                 extra_rows=(), compact_numbers=False, version="1.4",
                 wavelengths=("635", "532"), ratio_formulation=None):
        if version != "1.4" and version != "1.2":
            if version not in LATER_LAYOUTS:
                raise ValueError("unknown version %r" % version)
        elif layout not in (13, 15):
            raise ValueError("layout is 13 or 15 (first factor line)")
        self.spots = list(spots)
        self.factors = [f if isinstance(f, str) else _num(f) for f in factors]
        self.layout = layout
        self.supplier_line = supplier_line
        self.quoted = quoted
        self.crlf = crlf
        self.file_name_value = file_name_value
        self.first_line = first_line
        self.leading_blank_lines = leading_blank_lines
        self.extra_rows = list(extra_rows)
        self.compact_numbers = compact_numbers
        self.version = version
        self.wavelengths = wavelengths
        self.ratio_formulation = ratio_formulation

    def later(self):
        return self.version in LATER_LAYOUTS

    def columns(self):
        """(title, source) of each column of a later layout, wavelengths put in."""
        r, g = self.wavelengths
        return [(t.replace("{r}", r).replace("{g}", g), src) for t, src in LATER_LAYOUTS[self.version]]

    def spot(self, s):
        """Spot s, 1-based row number."""
        return self.spots[s - 1]

    def later_header_lines(self):
        def q(text):
            return '"%s"' % text if self.quoted else text

        r, g = self.wavelengths
        images = self.file_name_value.split("=", 1)[1]
        formulation = self.ratio_formulation or "W1/W2 (%s/%s)" % (r, g)
        lines = [self.first_line, None]
        lines += [q("Type=" + LATER_TYPES[self.version]),
                  q("DateTime=2004/03/02 14:21:50"),
                  q("Settings="),
                  q("GalFile=array.gal"),
                  q("PixelSize=10"),
                  q("Wavelengths=%s nm\t%s nm" % (r, g)),
                  q("ImageFiles=" + images),
                  q("NormalizationMethod=None"),
                  q("NormalizationFactors=1\t1"),
                  q("JpegImage="),
                  q("StdDev=Type 1"),
                  q("RatioFormulations=" + formulation),
                  q("FeatureType=Circular"),
                  q("Barcode="),
                  q("BackgroundSubtraction=LocalFeature"),
                  q("ImageOrigin=560, 7200"),
                  q("JpegOrigin=1330, 7870"),
                  q("Creator=" + LATER_CREATORS[self.version]),
                  q("Scanner=GenePix 4000B [84948]"),
                  q("FocusPosition=0"),
                  q("Temperature=26.86"),
                  q("LinesAveraged=1"),
                  q("Comment="),
                  q("PMTGain=600\t550"),
                  q("ScanPower=100\t100"),
                  q("LaserPower=3.24\t3.2"),
                  q("Filters=<Empty>\t<Empty>"),
                  q("ScanRegion=56,720,2068,2648")]
        if self.supplier_line:
            lines.append(q("Supplier="))
        columns = self.columns()
        lines[1] = "%d\t%d" % (len(lines) - 2, len(columns))
        lines.append("\t".join('"%s"' % t for t, _ in columns))
        return lines

    def later_row(self, spot, columns=None):
        columns = columns or self.columns()
        return "\t".join(spot.fields[src] if isinstance(src, int) else src for _, src in columns)

    def header_lines(self):
        if self.later():
            return self.later_header_lines()

        def q(text):
            return '"%s"' % text if self.quoted else text

        # records: header lines between line 2 and the column titles
        lines = [self.first_line, None]
        lines += [q("Type=GenePix Results 1.4" if self.layout == 15
                    else "Type=GenePix Results 1.2"),
                  q("DateTime=2001/06/12 10:41:07"),
                  q("Settings=slide.gps"),
                  q("GalFile=array.gal"),
                  q("Scanner=GenePix 4000A"),
                  q("Comment="),
                  q("PixelSize=10"),
                  q("ImageName=635 nm\t532 nm"),
                  q(self.file_name_value),
                  q("PMTVolts=700\t600")]
        if self.layout == 15:
            lines += [q("ScanPower=100\t100"), q("FocusPosition=0")]
        lines += [q(k + f) for k, f in zip(FACTOR_KEYS, self.factors)]
        lines += [q("JpegImage=slide.jpg"),
                  q("RatioFormulation=W1/W2 (635/532)"),
                  q("Barcode="),
                  q("ImageOrigin=1520, 15880"),
                  q("JpegOrigin=1730, 15960"),
                  q("Creator=GenePix Pro 3.0.6.89" if self.layout == 15
                    else "Creator=GenePix Pro 3.0.0.98"),
                  q("Temperature=24.1"),
                  q("LaserPower=3.02\t1.05"),
                  q("LaserOnTime=4675\t4671")]
        if self.supplier_line:
            lines.append(q("Supplier="))
        lines[1] = "%d\t%d" % (len(lines) - 2, FIELD_COUNT)
        # column titles are quoted in every GenePix file
        lines.append("\t".join('"%s"' % t for t in TITLES))
        return lines

    def first_data_line(self):
        """1-based line number of the first data row."""
        return len(self.header_lines()) + 1 + self.leading_blank_lines

    def to_text(self):
        sep = " " if self.compact_numbers else "\t"
        lines = [""] * self.leading_blank_lines + self.header_lines()
        if self.later():
            columns = self.columns()
            lines += [self.later_row(s, columns) for s in self.spots]
        else:
            lines += [s.line(sep) for s in self.spots]
        lines += list(self.extra_rows)
        eol = "\r\n" if self.crlf else "\n"
        return eol.join(lines) + eol

    def to_bytes(self):
        return self.to_text().encode("latin-1")

    def write(self, path):
        with open(path, "wb") as f:
            f.write(self.to_bytes())


def layout_order(blocks, columns, rows):
    """Spot positions in GenePix order: block, then row, column fastest."""
    for b in range(1, blocks + 1):
        for r in range(1, rows + 1):
            for c in range(1, columns + 1):
                yield b, c, r


def random_spot(rng, block, column, row, number, quote_names=True,
                compact=False, gene_log2=None, gene_level=None, ident=None):
    """A plausible spot. gene_log2/gene_level, when given, are the gene's
    true log2 ratio and 532 signal, shared by its replicates and files."""
    sp = Spot(block, column, row)
    name = "gene%03d" % number
    if ident is None:
        ident = "ID%04d" % rng.randrange(10000)
    sp.fields[NAME] = '"%s"' % name if quote_names else name
    sp.fields[ID] = '"%s"' % ident if quote_names else ident
    if compact:
        for k in range(6, FIELD_COUNT + 1):
            sp.fields[k] = "0"
    else:
        sp[X] = 1500 + 200 * column
        sp[Y] = 15000 + 200 * row
        sp[DIA] = rng.choice([80, 90, 100, 110])
    b635 = rng.randint(40, 200)
    b532 = rng.randint(40, 200)
    if gene_log2 is None:
        f635 = b635 + rng.randint(-30, 5000)
        f532 = b532 + rng.randint(-30, 5000)
    else:
        # one spot in ten is faint: near background in both channels
        faint = rng.random() < 0.1
        level = gene_level * (0.02 if faint else rng.uniform(0.7, 1.4))
        f532 = b532 + int(level)
        f635 = b635 + int(level * 2.0 ** (gene_log2 + rng.gauss(0, 0.25)))
    sp[F635_MEDIAN] = f635
    sp[B635_MEDIAN] = b635
    sp[F532_MEDIAN] = f532
    sp[B532_MEDIAN] = b532
    if not compact:
        sp[F635_MEAN] = f635 + rng.randint(-20, 60)
        sp[F635_SD] = rng.randint(10, 900)
        sp[B635_MEAN] = b635 + rng.randint(0, 9)
        sp[B635_SD] = rng.randint(10, 60)
        sp[15] = rng.randint(0, 100)
        sp[16] = rng.randint(0, 100)
        sp[17] = 0
        sp[F532_MEAN] = f532 + rng.randint(-20, 60)
        sp[F532_SD] = rng.randint(10, 900)
        sp[B532_MEAN] = b532 + rng.randint(0, 9)
        sp[B532_SD] = rng.randint(10, 60)
        sp[24] = rng.randint(0, 100)
        sp[25] = rng.randint(0, 100)
        sp[26] = 0
    n635, n532 = f635 - b635, f532 - b532
    if n532 > 0 and n635 > 0:
        base = n635 / n532
        rs = [round(base * rng.uniform(0.85, 1.15), 3) for _ in range(6)]
    else:
        rs = [-1.0] + [round(rng.uniform(0.1, 3), 3) for _ in range(5)]
    for k, v in zip((27, 28, 29, 30, 31, 32), rs):
        sp[k] = fmt_ratio(v)
    if not compact:
        sp[RGN_R2] = fmt_ratio(rng.uniform(0, 1))
        sp[34] = 80
        sp[35] = 500 + rng.randint(0, 100)
        sp[36] = max(0, n635) + max(0, n532)
        sp[37] = sp[36]
        sp[39] = n635
        sp[40] = n532
        sp[41] = n635 + rng.randint(-20, 20)
        sp[42] = n532 + rng.randint(-20, 20)
    sp.fields[LOG_RATIO] = ("Error" if rs[0] <= 0
                           else fmt_ratio(rng.uniform(-3, 3)))
    sp[FLAGS] = rng.choice([0, 0, 0, 0, 0, 0, 0, 0, 100, -50])
    return sp


def make_result_file(blocks=1, columns=4, rows=2, seed=1, quote_names=True,
                     compact=False, replicates=None, gene_seed=0, **options):
    """A ResultFile of blocks*columns*rows random spots; options go to
    ResultFile (factors, layout, supplier_line, quoted, crlf, ...).

    With `replicates`, consecutive groups of that many spots are one gene:
    its true ratio, signal and ID come from gene_seed, so files made with
    one gene_seed and different seeds look like replicate slides."""
    rng = random.Random(seed)
    genes = random.Random(gene_seed)
    positions = list(layout_order(blocks, columns, rows))
    spots = []
    for n, (b, c, r) in enumerate(positions, start=1):
        if replicates:
            if (n - 1) % replicates == 0:
                truth = (genes.gauss(0, 1.2), 10 ** genes.uniform(2, 4),
                         "ID%04d" % genes.randrange(10000))
            spots.append(random_spot(rng, b, c, r, (n - 1) // replicates + 1,
                                     quote_names, compact, *truth))
        else:
            spots.append(random_spot(rng, b, c, r, n, quote_names, compact))
    options.setdefault("compact_numbers", compact)
    return ResultFile(spots, **options)


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--blocks", type=int, default=1)
    p.add_argument("--columns", type=int, default=4)
    p.add_argument("--rows", type=int, default=2)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--replicates", type=int, default=None,
                   help="consecutive spots per gene (shared true ratio)")
    p.add_argument("--gene-seed", type=int, default=0)
    p.add_argument("--factors", default="1,1,1,1,1",
                   help="five comma-separated factor texts")
    p.add_argument("--layout", type=int, choices=(13, 15), default=15,
                   help="line of the first normalisation factor")
    p.add_argument("--no-supplier-line", action="store_true")
    p.add_argument("--unquoted", action="store_true")
    p.add_argument("--crlf", action="store_true")
    p.add_argument("--compact", action="store_true",
                   help="zeros in unused fields, blank-separated numbers")
    p.add_argument("--version", default="1.4", choices=["1.4"] + sorted(LATER_LAYOUTS),
                   help="1.4, or a later layout (2: Pro 4.0, 3-4.1: Pro 4.1, 3: Pro 5-7, "
                        "3-gal: Pro 6 with array-list columns)")
    p.add_argument("-o", "--output", default="-")
    a = p.parse_args(argv)
    factors = a.factors.split(",")
    if len(factors) != 5:
        p.error("--factors needs five values")
    rf = make_result_file(a.blocks, a.columns, a.rows, a.seed,
                          compact=a.compact, replicates=a.replicates,
                          gene_seed=a.gene_seed, factors=factors, layout=a.layout,
                          supplier_line=not a.no_supplier_line,
                          quoted=not a.unquoted, crlf=a.crlf, version=a.version)
    if a.output == "-":
        sys.stdout.buffer.write(rf.to_bytes())
    else:
        rf.write(a.output)


if __name__ == "__main__":
    main()
