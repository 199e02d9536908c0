#!/usr/bin/python3
# Reads a workbook with openpyxl and prints what a spreadsheet program sees:
# every cell's type and value, the frozen panes, the header's bold flags and
# the column widths, as JSON. Used by the export tests.
import datetime
import json
import sys

import openpyxl

book = openpyxl.load_workbook(sys.argv[1])
sheet = book.worksheets[0]
rows = []
for row in sheet.iter_rows():
    cells = []
    for cell in row:
        value = cell.value
        if value is None:
            cells.append(["empty", ""])
        elif isinstance(value, datetime.datetime):
            cells.append(["datetime", value.strftime("%Y-%m-%d %H:%M:%S")])
        elif isinstance(value, str):
            cells.append(["text", value])
        else:
            cells.append(["number", repr(value)])
    rows.append(cells)
header = next(sheet.iter_rows(min_row=1, max_row=1), [])
print(json.dumps({
    "freeze": sheet.freeze_panes,
    "bold": [bool(c.font.b) for c in header],
    "widths": {k: v.width for k, v in sheet.column_dimensions.items()},
    "formats": [c.number_format for c in (sheet[2] if sheet.max_row >= 2 else [])],
    "rows": rows,
}, ensure_ascii=False))
