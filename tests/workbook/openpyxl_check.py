#!/usr/bin/python3
"""Opens an .xlsx workbook with openpyxl (Debian's python3-openpyxl) and compares what it reads
with what is expected; prints one line per difference and exits with 1 when there is any.

    openpyxl_check.py <workbook.xlsx> <expected.json>

expected.json: {"rows": the sheet's row count, "frozen": the pane's top left cell ("A2"),
"cells": [[row, column, kind, value], ...]} with rows and columns from 1, kind "n" (a number
cell, value a number) or "s" (a text cell, value the text exactly). The workbook must have one
sheet, and every cell of it must be listed: an unexpected cell is a difference too."""

import json
import sys

try:
    import openpyxl
except ImportError:
    print("openpyxl is missing: scripts/setup-deps.sh installs python3-openpyxl")
    sys.exit(2)


def differences(workbook_path, expected):
    book = openpyxl.load_workbook(workbook_path)
    if len(book.worksheets) != 1:
        yield f"{len(book.worksheets)} sheets, expected 1"
    sheet = book.worksheets[0]
    if sheet.max_row != expected["rows"]:
        yield f"max_row {sheet.max_row}, expected {expected['rows']}"
    pane = sheet.sheet_view.pane
    if pane is None:
        yield "no pane"
    else:
        seen = (sheet.freeze_panes, pane.state, pane.ySplit, pane.xSplit)
        wanted = (expected["frozen"], "frozen", 1.0, None)
        if seen != wanted:
            yield f"pane (freeze_panes, state, ySplit, xSplit) {seen}, expected {wanted}"
    listed = set()
    for row, column, kind, value in expected["cells"]:
        listed.add((row, column))
        cell = sheet.cell(row=row, column=column)
        number = isinstance(cell.value, (int, float)) and not isinstance(cell.value, bool)
        right = (cell.data_type == "n" and number) if kind == "n" else (
            cell.data_type == "s" and isinstance(cell.value, str))
        if not right or cell.value != value:
            yield (f"{cell.coordinate}: {cell.data_type} {cell.value!r}, "
                   f"expected {kind} {value!r}")
    for line in sheet.iter_rows():
        for cell in line:
            if cell.value is not None and (cell.row, cell.column) not in listed:
                yield f"{cell.coordinate}: unexpected {cell.data_type} {cell.value!r}"


def main(workbook_path, expected_path):
    with open(expected_path, encoding="utf-8") as f:
        expected = json.load(f)
    found = 0
    for line in differences(workbook_path, expected):
        found += 1
        if found <= 20:
            print(line)
    if found:
        print(f"{found} differences")
    sys.exit(1 if found else 0)


if __name__ == "__main__":
    main(*sys.argv[1:3])
