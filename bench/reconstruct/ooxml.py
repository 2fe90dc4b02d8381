"""Reads what a user would see in a converted Word, Excel or PowerPoint file."""

import datetime
import re
import zipfile
import xml.etree.ElementTree as ET
from dataclasses import dataclass, field

W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"
A = "{http://schemas.openxmlformats.org/drawingml/2006/main}"
S = "{http://schemas.openxmlformats.org/spreadsheetml/2006/main}"
P = "{http://schemas.openxmlformats.org/presentationml/2006/main}"
V = "{urn:schemas-microsoft-com:vml}"
WP = "{http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing}"
MC = "{http://schemas.openxmlformats.org/markup-compatibility/2006}"
R = "{http://schemas.openxmlformats.org/officeDocument/2006/relationships}"

# Text inside these is placed on the page rather than flowing with the body.
POSITIONED = {W + "txbxContent", V + "textbox", WP + "anchor"}
MAX_PART_BYTES = 200 * 1024 * 1024
MAX_DEPTH = 256


@dataclass
class DocxShape:
    flowing_chars: int = 0
    all_chars: int = 0
    tables: list = field(default_factory=list)  # (rows, columns) of each outermost table
    images: int = 0


def read_part(archive, name):
    info = archive.getinfo(name)
    if info.file_size > MAX_PART_BYTES:
        raise ValueError(f"{name} is {info.file_size} bytes")
    return archive.read(name)


def _is_framed(paragraph):
    properties = paragraph.find(W + "pPr")
    return properties is not None and properties.find(W + "framePr") is not None


def _count(text, default=1, limit=10000):
    """A small count from an attribute; junk reads as the default rather than failing."""
    return min(int(text), limit) if text and text.isdigit() else default


def _row_width(row):
    spans = [cell.find(f"{W}tcPr/{W}gridSpan") for cell in row.findall(W + "tc")]
    return sum(_count(span.get(W + "val")) if span is not None else 1 for span in spans)


def _table_shape(table):
    """Rows and columns as a reader counts them; a table without its column grid (which
    readers tolerate) is as wide as its widest row."""
    rows = table.findall(W + "tr")
    columns = len(table.findall(f"{W}tblGrid/{W}gridCol"))
    if not columns:
        columns = max((_row_width(row) for row in rows), default=0)
    return len(rows), columns


def docx_shape_of(root):
    """Walks the body once. Alternate content is counted by its first choice only: its fallback
    repeats the same text and pictures for older readers."""
    shape = DocxShape()
    stack = [(root, True, False, 0)]
    while stack:
        element, flowing, in_table, depth = stack.pop()
        if element.tag == MC + "Fallback" or depth > MAX_DEPTH:
            continue
        if element.tag in POSITIONED or (element.tag == W + "p" and _is_framed(element)):
            flowing = False
        if element.tag == W + "tbl" and not in_table:
            shape.tables.append(_table_shape(element))
        if element.tag == W + "t" and element.text:
            shape.all_chars += len(element.text)
            shape.flowing_chars += len(element.text) if flowing else 0
        if element.tag in (A + "blip", V + "imagedata"):
            shape.images += 1
        nested = in_table or element.tag == W + "tbl"
        stack.extend((child, flowing, nested, depth + 1) for child in element)
    return shape


def docx_shape(path):
    with zipfile.ZipFile(path) as archive:
        return docx_shape_of(ET.fromstring(read_part(archive, "word/document.xml")))


# Built-in number formats that show a date or a time.
BUILTIN_DATE_FORMATS = set(range(14, 23)) | set(range(45, 48))
BUILTIN_PERCENT_FORMATS = {9, 10}


@dataclass
class Cell:
    value: object  # str for text, float for numbers
    kind: str  # "text", "number", "percent" or "date"


def _format_kinds(styles_root):
    """The kind each cell style shows its number as, by the style's index."""
    codes = {}
    for fmt in styles_root.iter(S + "numFmt"):
        codes[_count(fmt.get("numFmtId"), 0)] = fmt.get("formatCode", "")
    kinds = []
    xfs = styles_root.find(S + "cellXfs")
    for xf in (xfs if xfs is not None else []):
        number_format = _count(xf.get("numFmtId"), 0)
        code = re.sub(r'"[^"]*"|\[[^\]]*\]', "", codes.get(number_format, ""))
        if number_format in BUILTIN_PERCENT_FORMATS or "%" in code:
            kinds.append("percent")
        elif number_format in BUILTIN_DATE_FORMATS or re.search(r"[ymd]", code, re.I):
            kinds.append("date")
        else:
            kinds.append("number")
    return kinds


def _shared_strings(archive):
    if "xl/sharedStrings.xml" not in archive.namelist():
        return []
    root = ET.fromstring(read_part(archive, "xl/sharedStrings.xml"))
    return ["".join(t.text or "" for t in item.iter(S + "t")) for item in root.iter(S + "si")]


def _cell_of(element, strings, kinds):
    kind = element.get("t", "n")
    value = element.find(S + "v")
    if kind == "inlineStr":
        return Cell("".join(t.text or "" for t in element.iter(S + "t")), "text")
    if value is None or value.text is None:
        return None
    if kind == "s":
        index = int(value.text)
        return Cell(strings[index], "text") if 0 <= index < len(strings) else None
    if kind in ("str", "e"):
        return Cell(value.text, "text")
    if kind == "b":
        return Cell(float(value.text), "number")
    style = _count(element.get("s"), 0)
    return Cell(float(value.text), kinds[style] if 0 <= style < len(kinds) else "number")


def column_number(letters):
    number = 0
    for letter in letters:
        number = number * 26 + ord(letter) - ord("A") + 1
    return number


def cell_position(reference):
    """'B3' -> (3, 2): row and column, both from 1."""
    match = re.fullmatch(r"([A-Z]{1,3})([0-9]{1,7})", reference or "")
    if not match:
        return None
    return int(match.group(2)), column_number(match.group(1))


def _sheet_parts(archive):
    names = [n for n in archive.namelist() if re.fullmatch(r"xl/worksheets/sheet[0-9]+\.xml", n)]
    return sorted(names, key=lambda n: int(re.search(r"([0-9]+)\.xml$", n).group(1)))


def xlsx_sheets(path):
    """Every sheet's cells as {(row, column): Cell}, in sheet order."""
    with zipfile.ZipFile(path) as archive:
        strings = _shared_strings(archive)
        kinds = []
        if "xl/styles.xml" in archive.namelist():
            kinds = _format_kinds(ET.fromstring(read_part(archive, "xl/styles.xml")))
        sheets = []
        for name in _sheet_parts(archive):
            cells = {}
            for element in ET.fromstring(read_part(archive, name)).iter(S + "c"):
                position = cell_position(element.get("r"))
                cell = _cell_of(element, strings, kinds)
                if position and cell is not None:
                    cells[position] = cell
            sheets.append(cells)
        return sheets


def excel_serial(iso_date):
    """The spreadsheet's day number of a date (the 1900 system, as every writer uses)."""
    day = datetime.date.fromisoformat(iso_date)
    return float((day - datetime.date(1899, 12, 30)).days)


def _cell_matches(found, expected):
    if found is None:
        return False
    kind = expected["kind"]
    if kind == "text":
        return found.kind == "text" and found.value.strip() == expected["value"]
    want = excel_serial(expected["value"]) if kind == "date" else float(expected["value"])
    if found.kind == "text" or abs(found.value - want) > 1e-9 * max(1.0, abs(want)):
        return False
    return found.kind == kind


def cells_recovered(sheets, expected_cells):
    """How many expected cells appear with value and kind, where the table may sit anywhere on
    any sheet: it is anchored where the first expected cell's text is found."""
    anchor = expected_cells[0]
    best = 0
    for cells in sheets:
        for (row, column), cell in cells.items():
            if cell.kind != "text" or cell.value.strip() != anchor["value"]:
                continue
            dr, dc = row - anchor["row"], column - anchor["column"]
            hits = sum(1 for want in expected_cells
                       if _cell_matches(cells.get((want["row"] + dr, want["column"] + dc)), want))
            best = max(best, hits)
    return best


@dataclass
class PptxShape:
    slides: int = 0
    width: int = 0  # EMU
    height: int = 0
    text: str = ""
    pictures: int = 0


def pptx_shape(path):
    with zipfile.ZipFile(path) as archive:
        shape = PptxShape()
        presentation = ET.fromstring(read_part(archive, "ppt/presentation.xml"))
        size = presentation.find(P + "sldSz")
        if size is not None:
            shape.width, shape.height = int(size.get("cx", "0")), int(size.get("cy", "0"))
        names = [n for n in archive.namelist() if re.fullmatch(r"ppt/slides/slide[0-9]+\.xml", n)]
        names.sort(key=lambda n: int(re.search(r"([0-9]+)\.xml$", n).group(1)))
        texts = []
        for name in names:
            root = ET.fromstring(read_part(archive, name))
            texts.extend(t.text or "" for t in root.iter(A + "t"))
            shape.pictures += sum(1 for _ in root.iter(A + "blip"))
        shape.slides = len(names)
        shape.text = "\n".join(texts)
        return shape
