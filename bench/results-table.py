#!/usr/bin/env python3
"""Writes the benchmark's CSV files as the results table of bench/README.md.

  results-table.py README CSV...   replace the table between the README's
                                   "results begin" and "results end" marks

The table is made only from the CSV rows (results.csv, fleet.csv), with a
line per file that says which command measured which commit (the ".run" file
scripts/bench leaves beside each CSV), so that no figure in the page is
copied by hand. Exit 0 written, 2 a file missing or unreadable
or the marks not found in the README.
"""
import csv
import sys

BEGIN = "<!-- results begin: written by scripts/bench --readme -->"
END = "<!-- results end -->"
COLUMNS = ["figure", "unit", "runs", "median", "min", "max", "floor_median",
           "ratio_median", "ratio_min", "ratio_max", "bar", "pass"]


def number(text):
    """A figure as the table prints it: at most three significant decimals."""
    try:
        value = float(text)
    except ValueError:
        return text
    if value == int(value) and abs(value) < 1e15:
        return str(int(value))
    if abs(value) >= 100:
        return "%.0f" % value
    return ("%.3g" % value) if abs(value) < 1 else ("%.2f" % value).rstrip("0").rstrip(".")


def spread(median, low, high):
    shown = number(median)
    if low in ("", median) and high in ("", median):
        return shown
    return "%s (%s–%s)" % (shown, number(low), number(high))


def rows_of(path):
    """Rows as dictionaries; the first column is the target when it is there."""
    out = []
    with open(path, newline="", encoding="utf-8") as f:
        for fields in csv.reader(f):
            if not fields or fields[0] == "target":
                continue
            target = ""
            if len(fields) == len(COLUMNS) + 1:
                target, fields = fields[0], fields[1:]
            if len(fields) != len(COLUMNS):
                continue
            row = dict(zip(COLUMNS, fields))
            row["target"] = target
            out.append(row)
    return out


def table(rows):
    lines = ["| figure | unit | DadaVizi median (min–max) | floor | ratio median (min–max) | bar | ok |",
             "|---|---|---|---|---|---|---|"]
    for r in rows:
        ratio = spread(r["ratio_median"], r["ratio_min"], r["ratio_max"]) if r["ratio_median"] else "–"
        lines.append("| %s | %s | %s | %s | %s | %s | %s |" % (
            r["figure"], r["unit"], spread(r["median"], r["min"], r["max"]),
            number(r["floor_median"]) if r["floor_median"] else "–", ratio,
            r["bar"], r["pass"]))
    return lines


def main(argv):
    if len(argv) < 3:
        sys.stderr.write(__doc__)
        return 2
    readme, paths = argv[1], argv[2:]
    rows = []
    try:
        for path in paths:
            rows += rows_of(path)
        with open(readme, encoding="utf-8") as f:
            text = f.read().split("\n")
    except OSError as e:
        sys.stderr.write("results-table: %s\n" % e)
        return 2
    if BEGIN not in text or END not in text or text.index(END) < text.index(BEGIN):
        sys.stderr.write("results-table: %s has no results marks\n" % readme)
        return 2
    said = [""]
    for path in paths:
        try:
            with open(path + ".run", encoding="utf-8") as f:
                run = f.read().strip()
        except OSError:
            run = "a run that left no record of itself"
        said.append("- `%s`: %s" % (path.rsplit("/", 1)[-1], run))
    said.append("")
    new = text[:text.index(BEGIN) + 1] + said + table(rows) + [""] + text[text.index(END):]
    with open(readme, "w", encoding="utf-8") as f:
        f.write("\n".join(new))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
