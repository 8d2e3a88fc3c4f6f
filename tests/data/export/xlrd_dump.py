"""Prints every sheet and cell of an .xls workbook as xlrd reads it.

Usage: xlrd_dump.py WORKBOOK        -> the cells, one row per line
       xlrd_dump.py --stream FILE   -> the length and SHA-256 of the
                                       compound file's "Workbook" stream

Cell lines hold tab-separated cells, each a kind letter (t text, b blank,
e empty, n number, o other), "@" when the cell's number format is the text
format "@" and "?" otherwise, then the value's UTF-8 bytes in hex.
"""
import hashlib
import sys

import xlrd
from xlrd import compdoc


def dump_stream(path):
    with open(path, "rb") as f:
        data = f.read()
    doc = compdoc.CompDoc(data, logfile=sys.stderr)
    stream = doc.get_named_stream("Workbook")
    print(len(stream), hashlib.sha256(stream).hexdigest())


def dump_cells(path):
    book = xlrd.open_workbook(path, formatting_info=True, logfile=sys.stderr)
    out = sys.stdout
    kinds = {xlrd.XL_CELL_TEXT: "t", xlrd.XL_CELL_BLANK: "b", xlrd.XL_CELL_EMPTY: "e",
             xlrd.XL_CELL_NUMBER: "n"}
    for sheet in book.sheets():
        out.write("S\t%s\t%d\t%d\n" % (sheet.name.encode("utf-8").hex(), sheet.nrows, sheet.ncols))
        for r in range(sheet.nrows):
            cells = []
            for c in range(sheet.ncols):
                cell = sheet.cell(r, c)
                fmt = "?"
                if cell.xf_index is not None:
                    key = book.xf_list[cell.xf_index].format_key
                    if book.format_map[key].format_str == "@":
                        fmt = "@"
                value = cell.value if isinstance(cell.value, str) else repr(cell.value)
                cells.append(kinds.get(cell.ctype, "o") + fmt + value.encode("utf-8").hex())
            out.write("R\t" + "\t".join(cells) + "\n")


if __name__ == "__main__":
    if sys.argv[1] == "--stream":
        dump_stream(sys.argv[2])
    else:
        dump_cells(sys.argv[1])
