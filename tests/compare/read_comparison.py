#!/usr/bin/python3
"""Reads a comparison workbook with openpyxl and prints, as one JSON line, what a user finds in
it: the sheet names and their frozen panes, the summary's house counts, per-column counts and
repeated rows of each table, the
house guids of "Новые дома" and "Исчезнувшие дома", and for every house of "Изменения" its
highlighted cells by column number with their texts; "plain_changes" counts "→" texts that are
not highlighted, which must not exist.

    read_comparison.py <workbook.xlsx>"""

import json
import re
import sys

import openpyxl


def guid(link):
    return re.search(r"houseGuid=([^&]*)", link).group(1)


def main(path):
    book = openpyxl.load_workbook(path)
    summary = book["Сводка"]
    counts, columns, repeated = {}, {}, []
    for row in summary.iter_rows(values_only=True):
        if row[0] in ("Старая", "Новая"):
            repeated.append(row[5])
        elif row[0] in ("Новые", "Исчезнувшие", "Изменённые", "Без изменений"):
            counts[row[0]] = row[1]
        elif isinstance(row[1], int) and isinstance(row[2], int) and row[2] > 0:
            columns[str(row[1])] = row[2]
    out = {"sheets": book.sheetnames, "counts": counts, "columns": columns, "repeated": repeated,
           "frozen": [sheet.freeze_panes for sheet in book.worksheets[1:]],
           "added": [guid(r[0]) for r in book["Новые дома"].iter_rows(min_row=2, values_only=True)],
           "removed": [guid(r[0]) for r in
                       book["Исчезнувшие дома"].iter_rows(min_row=2, values_only=True)],
           "changed": {}, "plain_changes": 0}
    for row in book["Изменения"].iter_rows(min_row=2):
        cells = {}
        for cell in row:
            if cell.fill.fill_type == "solid":
                cells[str(cell.column)] = cell.value
            elif isinstance(cell.value, str) and " → " in cell.value:
                out["plain_changes"] += 1
        link = row[0].value.split(" → ")[-1]
        out["changed"][guid(link)] = cells
    print(json.dumps(out, ensure_ascii=False))


if __name__ == "__main__":
    main(sys.argv[1])
