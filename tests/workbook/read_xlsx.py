#!/usr/bin/env python3
"""Reads an .xlsx workbook with the standard library alone and writes as JSON what a spreadsheet
application shows of it: per sheet (in workbook order) the pane, column widths and cells as
[row, column, kind ("n" number, "t" text, "f" formula, else the file's type), value, bold].

    read_xlsx.py <workbook.xlsx> <out.json>

Exits with status 1 when the file is no sound zip archive or a part is no well-formed XML."""

import json, re, sys, zipfile
import xml.etree.ElementTree as ET

M = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"
P = "{http://schemas.openxmlformats.org/package/2006/relationships}"


def unescape(text):  # Excel's _xHHHH_ form of a character
    return re.sub(r"_x([0-9A-Fa-f]{4})_", lambda m: chr(int(m.group(1), 16)), text)


def text_of(element):
    return unescape("".join(t.text or "" for t in element.iter(M + "t")))


def column_of(ref):
    letters = re.match(r"[A-Z]+", ref).group(0)
    return sum((ord(c) - 64) * 26 ** i for i, c in enumerate(reversed(letters))) - 1


def main(path, out):
    with zipfile.ZipFile(path) as z:
        if z.testzip() is not None:
            sys.exit("bad CRC")
        xml = {n: ET.fromstring(z.read(n)) for n in z.namelist() if n.endswith((".xml", ".rels"))}
    styles = xml["xl/styles.xml"]
    bold_fonts = {i for i, f in enumerate(styles.iter(M + "font")) if f.find(M + "b") is not None}
    bold = {i for i, xf in enumerate(styles.find(M + "cellXfs"))
            if int(xf.get("fontId")) in bold_fonts}
    shared = [text_of(si) for si in xml.get("xl/sharedStrings.xml", ET.Element("x")).iter(M + "si")]
    targets = {r.get("Id"): r.get("Target")
               for r in xml["xl/_rels/workbook.xml.rels"].iter(P + "Relationship")}
    sheets = []
    for entry in xml["xl/workbook.xml"].iter(M + "sheet"):
        root = xml["xl/" + targets[entry.get(R + "id")]]
        pane = root.find(f"{M}sheetViews/{M}sheetView/{M}pane")
        cells = []
        for c in root.iter(M + "c"):
            kind, v = c.get("t", "n"), c.find(M + "v")
            if c.find(M + "f") is not None:
                kind, value = "f", c.find(M + "f").text
            elif kind == "n":
                value = float(v.text)
            elif kind == "inlineStr":
                kind, value = "t", text_of(c.find(M + "is"))
            elif kind == "s":
                kind, value = "t", shared[int(v.text)]
            else:
                value = v.text
            row = int(re.search(r"\d+", c.get("r")).group(0)) - 1
            cells.append([row, column_of(c.get("r")), kind, value, int(c.get("s", "0")) in bold])
        widths = {str(col - 1): float(w.get("width")) for w in root.iter(M + "col")
                  for col in range(int(w.get("min")), int(w.get("max")) + 1)}
        sheets.append({"pane": dict(pane.attrib) if pane is not None else {},
                       "widths": widths, "cells": cells})
    with open(out, "w", encoding="utf-8") as f:
        json.dump(sheets, f)


if __name__ == "__main__":
    try:
        main(*sys.argv[1:3])
    except Exception as error:  # a broken workbook is the finding
        sys.exit(f"{type(error).__name__}: {error}")
