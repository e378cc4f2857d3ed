#!/usr/bin/env python3
"""Prints an .xlsx workbook as JSON, as openpyxl (a reader independent of
the program) reads it: every sheet with its cells (value, type, number
format, font), its column widths and formats and its row formats."""
import json
import sys

from openpyxl import load_workbook


def font(f):
    color = None
    if f is not None and f.color is not None and f.color.type == "rgb":
        color = f.color.rgb
    return {
        "name": f.name if f is not None else None,
        "size": float(f.sz) if f is not None and f.sz is not None else None,
        "bold": bool(f.b) if f is not None else False,
        "color": color,
    }


def main(path):
    wb = load_workbook(path)
    sheets = []
    for ws in wb.worksheets:
        cells = []
        for row in ws.iter_rows():
            for c in row:
                if c.value is None and not c.has_style:
                    continue
                value = c.value
                if value is not None and not isinstance(value, (int, float, str)):
                    value = str(value)
                cells.append({"row": c.row, "column": c.column, "value": value, "type": c.data_type,
                              "format": c.number_format, "font": font(c.font)})
        columns = []
        for d in ws.column_dimensions.values():
            if d.min is None:
                continue
            columns.append({"min": d.min, "max": d.max, "width": d.width, "customWidth": bool(d.customWidth),
                            "format": d.number_format})
        rows = []
        for index, d in ws.row_dimensions.items():
            if not d.customFormat:
                continue
            rows.append({"row": index, "font": font(d.font), "format": d.number_format})
        sheets.append({"name": ws.title, "maxRow": ws.max_row, "maxColumn": ws.max_column, "cells": cells,
                       "columns": columns, "rows": rows})
    json.dump({"sheets": sheets}, sys.stdout, ensure_ascii=False)


if __name__ == "__main__":
    main(sys.argv[1])
