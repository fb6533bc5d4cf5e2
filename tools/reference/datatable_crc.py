#!/usr/bin/python3
# Reference fingerprints of the data table (CRCofCellStates,
# CRCofNamesAndAttributes) for a small table that this script defines.
# Run: /usr/bin/python3 tools/reference/datatable_crc.py > tests/data/datatable_crc.tsv
#
# The output is Windows-1252 text (names hold bytes above 0x7F). Oracle:
# zlib.crc32 over the bytes of each of the eight lanes; byte k (1-based)
# of an item goes to lane k mod 8, the lanes are printed lane 0 first as
# eight upper-case hex digits each.
#
# Line layout (tab-separated):
#   size       ncols  nrows
#   comment    text
#   colname    c  text          rowname    r  text
#   colattrib  c  value         rowattrib  r  value
#   scale      c  byte (0..4)
#   idf        c  slot  text    (only non-empty slots)
#   state      c  r  byte
#   crc_states 64 hex digits    crc_names  64 hex digits
import sys
import zlib

NCOLS, NROWS = 3, 11  # more rows than lanes, so a lane takes several bytes per column

comment = "Reference table: lanes wrap after eight bytes"
col_names = ["Weight (kg)", "C-2", "Farbe \u00e9\u00e8"]  # é è are single bytes in Windows-1252
row_names = ["R-%d" % r for r in range(1, NROWS + 1)]
row_names[2] = ""
row_names[9] = "a much longer row name with forty-odd chars"
col_attribs = [300, -1, 7]  # only the low byte enters the fingerprint
row_attribs = [(r * 37) % 512 - 100 for r in range(1, NROWS + 1)]
scales = [3, 1, 2]  # interval, nominal, ordinal
ids = {2: {1: "red", 2: "green", 5: "blue\u00e9"}, 3: {1: "low", 2: "mid", 3: "high", 150: "top"}}
states = [[(c * 53 + r * 29 + c * r) % 256 for r in range(1, NROWS + 1)] for c in range(1, NCOLS + 1)]


def fingerprint(items):
    lanes = [bytearray() for _ in range(8)]
    for item in items:
        for k, b in enumerate(item, start=1):
            lanes[k % 8].append(b)
    return "".join("%08X" % zlib.crc32(bytes(lane)) for lane in lanes)


def text(s):
    return s.encode("cp1252")


name_items = [text(comment)]
name_items += [text(n) for n in col_names]
name_items.append(bytes(a & 0xFF for a in col_attribs))
name_items += [text(n) for n in row_names]
name_items.append(bytes(a & 0xFF for a in row_attribs))
name_items.append(bytes(scales))
for c in range(1, NCOLS + 1):
    for slot in range(1, 151):
        name_items.append(text(ids.get(c, {}).get(slot, "")))

state_items = [bytes(col) for col in states]

out = []
out.append("size\t%d\t%d" % (NCOLS, NROWS))
out.append("comment\t%s" % comment)
for c, n in enumerate(col_names, start=1):
    out.append("colname\t%d\t%s" % (c, n))
for r, n in enumerate(row_names, start=1):
    out.append("rowname\t%d\t%s" % (r, n))
for c, a in enumerate(col_attribs, start=1):
    out.append("colattrib\t%d\t%d" % (c, a))
for r, a in enumerate(row_attribs, start=1):
    out.append("rowattrib\t%d\t%d" % (r, a))
for c, s in enumerate(scales, start=1):
    out.append("scale\t%d\t%d" % (c, s))
for c in sorted(ids):
    for slot in sorted(ids[c]):
        out.append("idf\t%d\t%d\t%s" % (c, slot, ids[c][slot]))
for c in range(1, NCOLS + 1):
    for r in range(1, NROWS + 1):
        out.append("state\t%d\t%d\t%d" % (c, r, states[c - 1][r - 1]))
out.append("crc_states\t%s" % fingerprint(state_items))
out.append("crc_names\t%s" % fingerprint(name_items))
sys.stdout.buffer.write(("\n".join(out) + "\n").encode("cp1252"))
