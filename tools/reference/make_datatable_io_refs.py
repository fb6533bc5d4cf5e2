#!/usr/bin/python3
# Reference files for the data table's CSV and XML readers and for Serialize:
#   /usr/bin/python3 tools/reference/make_datatable_io_refs.py tests/data
# Writes
#   datatable_ref.csv        written by Python's csv module: UTF-8 with a
#                            byte-order mark, CR LF, minimal quoting, fields
#                            with commas, doubled quotes and line breaks
#   datatable_ref_csv.tsv    what csv.reader gives back, cell by cell
#   datatable_ref.xml        a datatable element written by ElementTree
#                            (UTF-8, indented, attributes in its own quoting)
#   datatable_ref_xml.tsv    what that element holds
#   datatable_serialize.tsv  a 3 x 4 table and its serialised column
#                            (np.ravel order 'F')
# Texts are given as hex of their Windows-1252 bytes, values as the hex of
# their IEEE bits, so the tests compare exactly.
import csv
import io
import struct
import sys
import xml.etree.ElementTree as ET

import numpy as np

out = sys.argv[1] if len(sys.argv) > 1 else "tests/data"


def hx(s):
    return s.encode("cp1252").hex()


def bits(x):
    return struct.pack(">d", x).hex()


# ---- CSV ---------------------------------------------------------------------------------
header = ["", "plain", "with, comma", 'say "hi"', "two\r\nlines", "gr\u00fc\u00dfe", "kind"]
rows = [
    ["r1", "1.5", "-0.0", "5e-324", "1.7976931348623157e308", "0.1", "red"],
    ["row, two", "", "NAN", "-2.5E-7", "1e+300", "3", 'dark "blue"'],
    ['r"3"', "42", "7", "", "-INF", "0.30000000000000004", "red, pale"],
    ["r\n4", "  8  ", "1E-5", "9", "INF", "-1", "RED"],
]
buf = io.StringIO(newline="")
w = csv.writer(buf, lineterminator="\r\n")
w.writerow(header)
w.writerows(rows)
with open(f"{out}/datatable_ref.csv", "w", encoding="utf-8-sig", newline="") as f:
    f.write(buf.getvalue())

# The oracle is csv.reader on the bytes just written, not the lists above.
with open(f"{out}/datatable_ref.csv", encoding="utf-8-sig", newline="") as f:
    parsed = list(csv.reader(f))
lines = [f"shape\t{len(parsed[0]) - 1}\t{len(parsed) - 1}"]
for c, name in enumerate(parsed[0][1:], 1):
    lines.append(f"colname\t{c}\t{hx(name)}")
kinds = {}
for r, rec in enumerate(parsed[1:], 1):
    lines.append(f"rowname\t{r}\t{hx(rec[0])}")
    for c, field in enumerate(rec[1:], 1):
        t = field.strip(" \t")
        if t == "":
            lines.append(f"cell\t{c}\t{r}\t2\t{bits(0.0)}")
        elif t.upper() == "NAN":
            lines.append(f"cell\t{c}\t{r}\t1\t{bits(0.0)}")
        else:
            try:
                lines.append(f"cell\t{c}\t{r}\t0\t{bits(float(t))}")
            except ValueError:
                # Text: identifiers by first appearance, ignoring case.
                ids = kinds.setdefault(c, {})
                slot = ids.setdefault(t.lower(), (len(ids) + 1, t[:10]))
                lines.append(f"ident\t{c}\t{r}\t{slot[0]}\t{hx(slot[1])}")
with open(f"{out}/datatable_ref_csv.tsv", "w", newline="\n") as f:
    f.write("\n".join(lines) + "\n")

# ---- XML ---------------------------------------------------------------------------------
rng = np.random.default_rng(5201)
ncols, nrows = 3, 4
vals = rng.normal(scale=100.0, size=(ncols, nrows))
vals[0, 0] = -0.0
vals[1, 2] = 2.0  # a nominal code
states = np.zeros((ncols, nrows), dtype=int)
states[2, 3] = 2
states[0, 1] = 33
root = ET.Element("model")
el = ET.SubElement(root, "datatable", dataid="T\u00e4st")
ET.SubElement(el, "comment").text = "<from> ElementTree & co"
ET.SubElement(el, "size", ncols=str(ncols), nrows=str(nrows))
colnames = ["alpha", "b<e>ta", "\u00e9t\u00e9"]
rownames = [f"obj '{i + 1}'" for i in range(nrows)]
lst = ET.SubElement(el, "colnames")
for c, n in enumerate(colnames, 1):
    ET.SubElement(lst, "col", ix=str(c)).text = n
lst = ET.SubElement(el, "colattrib")
for c in range(1, ncols + 1):
    ET.SubElement(lst, "col", ix=str(c)).text = str(c * 100)
lst = ET.SubElement(el, "rownames")
for r, n in enumerate(rownames, 1):
    ET.SubElement(lst, "row", ix=str(r)).text = n
lst = ET.SubElement(el, "rowattrib")
for r in range(1, nrows + 1):
    ET.SubElement(lst, "row", ix=str(r)).text = str(-r)
scales = [3, 1, 4]
ids = {2: ["low", "mid & co", "high"]}
for c in range(1, ncols + 1):
    v = ET.SubElement(el, "vardef", ix=str(c), scale=str(scales[c - 1]))
    for k, text in enumerate(ids.get(c, []), 1):
        ET.SubElement(v, "idf", ix=str(k)).text = text
cells = ET.SubElement(el, "datacells")
for c in range(ncols):
    for r in range(nrows):
        attrs = {"ix": str(c + 1), "iy": str(r + 1)}
        if states[c, r]:
            attrs["st"] = str(states[c, r])
        ET.SubElement(cells, "cell", attrs).text = repr(float(vals[c, r]))
ET.indent(root)
ET.ElementTree(root).write(f"{out}/datatable_ref.xml", encoding="utf-8", xml_declaration=True)

lines = [f"shape\t{ncols}\t{nrows}", f"comment\t{hx('<from> ElementTree & co')}"]
for c in range(1, ncols + 1):
    lines.append(f"col\t{c}\t{hx(colnames[c - 1])}\t{c * 100}\t{scales[c - 1]}")
for r in range(1, nrows + 1):
    lines.append(f"row\t{r}\t{hx(rownames[r - 1])}\t{-r}")
for c, lst_ in ids.items():
    for k, text in enumerate(lst_, 1):
        lines.append(f"idf\t{c}\t{k}\t{hx(text)}")
for c in range(ncols):
    for r in range(nrows):
        lines.append(f"cell\t{c + 1}\t{r + 1}\t{states[c, r]}\t{bits(float(vals[c, r]))}")
with open(f"{out}/datatable_ref_xml.tsv", "w", newline="\n") as f:
    f.write("\n".join(lines) + "\n")

# ---- Serialize ---------------------------------------------------------------------------
# A 3-column, 4-row table (row-major in the file) and the "(data)" column of
# Serialize: the former cells column by column.
a = rng.integers(-50, 50, size=(4, 3)).astype(float) + rng.random(size=(4, 3)).round(3)
ser = np.ravel(a, order="F")
lines = ["table\t" + "\t".join(bits(x) for x in np.ravel(a)), "serial\t" + "\t".join(bits(x) for x in ser)]
with open(f"{out}/datatable_serialize.tsv", "w", newline="\n") as f:
    f.write("\n".join(lines) + "\n")
