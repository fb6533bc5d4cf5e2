#!/usr/bin/python3
# Reference matrix files written by numpy, struct and ElementTree, for the
# matrix file readers and the binary writer:
#   /usr/bin/python3 tools/reference/make_matrix_io_refs.py tests/data
# Writes matrix_io_ref.bin (binary block file), matrix_io_ref.asc (ASC text
# with LF line ends, column names and row names), matrix_io_ref.xml (a root
# holding two matrix elements, indented by ElementTree) and
# matrix_io_ref_values.tsv (the expected elements as IEEE bit patterns).
import struct
import sys
import xml.etree.ElementTree as ET

import numpy as np

out = sys.argv[1] if len(sys.argv) > 1 else "tests/data"

rng = np.random.default_rng(4301)
rows, cols = 5, 3
m = rng.normal(scale=1e3, size=(rows, cols))
# Values whose text and binary forms are easy to get wrong.
m[0, 0] = -0.0
m[1, 1] = 5e-324            # smallest denormal
m[2, 2] = 1.7976931348623157e308
m[3, 0] = -2.2250738585072014e-308
m[4, 1] = 0.1
data_id = "Ref \u00fc\u00df"  # written in the single-byte code page

# Binary block file: header block, then rows with the column index fastest,
# 512 doubles per block, the last block padded with zeros.
header = bytearray(4096)
struct.pack_into("<4i", header, 0, cols, rows, 0, 0)
raw_id = data_id.encode("cp1252")
header[16] = len(raw_id)
header[17:17 + len(raw_id)] = raw_id
struct.pack_into("<i", header, 272, 1)
body = m.astype("<f8").tobytes()
body += bytes((-len(body)) % 4096)
with open(f"{out}/matrix_io_ref.bin", "wb") as f:
    f.write(bytes(header) + body)

# ASC: LF line ends, column names, row names; values by repr (round-trip).
lines = ["reference written by numpy", f"{cols}\t;nr. of columns", f"{rows}\t;nr. of rows",
         "FALSE TRUE TRUE FALSE\t;row attributes, column names, row names, nominal variables",
         " ".join(f'"col {j + 1}"' for j in range(cols))]
for i in range(rows):
    lines.append(f'"row {i + 1}"\t' + "\t".join(repr(float(x)) for x in m[i]))
with open(f"{out}/matrix_io_ref.asc", "w", newline="\n") as f:
    f.write("\n".join(lines) + "\n")

# XML: two elements; the second, selected by its identifier, holds m.
root = ET.Element("data")
other = ET.SubElement(root, "matrix", dataid="other")
ET.SubElement(other, "numcols").text = "1"
ET.SubElement(other, "numrows").text = "1"
ET.SubElement(other, "cell", ix="1", iy="1").text = "42"
el = ET.SubElement(root, "matrix", dataid=data_id)
ET.SubElement(el, "numcols").text = str(cols)
ET.SubElement(el, "numrows").text = str(rows)
for j in range(cols):
    for i in range(rows):
        ET.SubElement(el, "cell", ix=str(j + 1), iy=str(i + 1)).text = repr(float(m[i, j]))
ET.indent(root)
ET.ElementTree(root).write(f"{out}/matrix_io_ref.xml", encoding="utf-8", xml_declaration=True)

with open(f"{out}/matrix_io_ref_values.tsv", "w", newline="\n") as f:
    f.write("# column\trow\tvalue as IEEE bits (hex)\n")
    for j in range(cols):
        for i in range(rows):
            f.write(f"{j + 1}\t{i + 1}\t{struct.unpack('<Q', struct.pack('<d', m[i, j]))[0]:016X}\n")
