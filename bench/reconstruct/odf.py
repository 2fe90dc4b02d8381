"""Flat OpenDocument files (one plain XML file each) written from Python values."""

import base64
import struct
import zlib
from xml.sax.saxutils import escape

NAMESPACES = " ".join(f'xmlns:{prefix}="{uri}"' for prefix, uri in [
    ("office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"),
    ("style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"),
    ("text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"),
    ("table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"),
    ("draw", "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"),
    ("fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"),
    ("xlink", "http://www.w3.org/1999/xlink"),
    ("svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"),
    ("number", "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"),
    ("presentation", "urn:oasis:names:tc:opendocument:xmlns:presentation:1.0"),
])

LATIN_SERIF = "DejaVu Serif"
LATIN_SANS = "DejaVu Sans"
CJK_SERIF = "Noto Serif CJK SC"
CJK_SANS = "Noto Sans CJK SC"


def document(mimetype, styles, automatic, master, body):
    return (f'<?xml version="1.0" encoding="UTF-8"?>\n'
            f'<office:document {NAMESPACES} office:version="1.3" '
            f'office:mimetype="application/vnd.oasis.opendocument.{mimetype}">'
            f"<office:styles>{styles}</office:styles>"
            f"<office:automatic-styles>{automatic}</office:automatic-styles>"
            f"<office:master-styles>{master}</office:master-styles>"
            f"<office:body>{body}</office:body></office:document>\n")


def text_properties(size, sans=False, bold=False):
    latin, cjk = (LATIN_SANS, CJK_SANS) if sans else (LATIN_SERIF, CJK_SERIF)
    weight = ' fo:font-weight="bold" style:font-weight-asian="bold"' if bold else ""
    return (f'<style:text-properties fo:font-family="{latin}" fo:font-size="{size}pt" '
            f'style:font-family-asian="{cjk}" style:font-size-asian="{size}pt"{weight}/>')


def paragraph_style(name, size, sans=False, bold=False, extra=""):
    return (f'<style:style style:name="{name}" style:family="paragraph">'
            f'<style:paragraph-properties fo:margin-top="0.1cm" fo:margin-bottom="0.2cm" {extra}/>'
            f"{text_properties(size, sans, bold)}</style:style>")


def list_style(name, numbered):
    levels = []
    for level in (1, 2):
        indent = f'{0.635 * level:.3f}cm'
        placement = (f'<style:list-level-properties text:list-level-position-and-space-mode='
                     f'"label-alignment"><style:list-level-label-alignment '
                     f'text:label-followed-by="listtab" fo:text-indent="-0.635cm" '
                     f'fo:margin-left="{indent}"/></style:list-level-properties>')
        if numbered:
            form = "1" if level == 1 else "a"
            levels.append(f'<text:list-level-style-number text:level="{level}" '
                          f'style:num-suffix="." style:num-format="{form}">{placement}'
                          f"</text:list-level-style-number>")
        else:
            bullet = "•" if level == 1 else "◦"
            levels.append(f'<text:list-level-style-bullet text:level="{level}" '
                          f'text:bullet-char="{bullet}">{placement}'
                          f"</text:list-level-style-bullet>")
    return f'<text:list-style style:name="{name}">{"".join(levels)}</text:list-style>'


TEXT_STYLES = "".join([
    '<style:default-style style:family="paragraph">' + text_properties(11) +
    "</style:default-style>",
    paragraph_style("Standard", 11, extra='fo:text-align="justify"'),
    paragraph_style("Title", 20, sans=True, bold=True, extra='fo:text-align="center"'),
    paragraph_style("Heading_20_1", 16, sans=True, bold=True),
    paragraph_style("Heading_20_2", 13, sans=True, bold=True),
    paragraph_style("Table_20_Contents", 10),
    paragraph_style("Header", 9, extra='fo:text-align="center"'),
    paragraph_style("Footer", 9, extra='fo:text-align="center"'),
    list_style("Bullets", numbered=False),
    list_style("Numbers", numbered=True),
])

PAGE_LAYOUT = ('<style:page-layout style:name="pm1"><style:page-layout-properties '
               'fo:page-width="21cm" fo:page-height="29.7cm" fo:margin-top="2cm" '
               'fo:margin-bottom="2cm" fo:margin-left="2.5cm" fo:margin-right="2.5cm"/>'
               '<style:header-style><style:header-footer-properties fo:min-height="0.6cm" '
               'fo:margin-bottom="0.4cm"/></style:header-style><style:footer-style>'
               '<style:header-footer-properties fo:min-height="0.6cm" fo:margin-top="0.4cm"/>'
               "</style:footer-style></style:page-layout>")

TEXT_AUTOMATIC = "".join([
    PAGE_LAYOUT,
    '<style:style style:name="PageBreak" style:family="paragraph" '
    'style:parent-style-name="Heading_20_1"><style:paragraph-properties '
    'fo:break-before="page"/></style:style>',
    '<style:style style:name="Centered" style:family="paragraph" style:parent-style-name='
    '"Standard"><style:paragraph-properties fo:text-align="center"/></style:style>',
    '<style:style style:name="TwoColumns" style:family="section"><style:section-properties>'
    '<style:columns fo:column-count="2" fo:column-gap="0.8cm"/></style:section-properties>'
    "</style:style>",
    '<style:style style:name="Table" style:family="table"><style:table-properties '
    'style:width="16cm" table:align="center" fo:margin-top="0.2cm" fo:margin-bottom="0.3cm"/>'
    "</style:style>",
    '<style:style style:name="Ruled" style:family="table-cell"><style:table-cell-properties '
    'fo:padding="0.1cm" fo:border="0.5pt solid #000000"/></style:style>',
    '<style:style style:name="Shaded" style:family="table-cell"><style:table-cell-properties '
    'fo:padding="0.1cm" fo:background-color="#c6d9f1" fo:border="0.5pt solid #000000"/>'
    "</style:style>",
    '<style:style style:name="Open" style:family="table-cell"><style:table-cell-properties '
    'fo:padding="0.1cm" fo:border="none"/></style:style>',
    '<style:style style:name="Picture" style:family="graphic"><style:graphic-properties '
    'style:wrap="none" style:vertical-pos="top" style:horizontal-pos="center"/></style:style>',
])


def text_document(body, header="", footer=""):
    parts = ""
    if header:
        parts += f'<style:header><text:p text:style-name="Header">{header}</text:p></style:header>'
    if footer:
        parts += f'<style:footer><text:p text:style-name="Footer">{footer}</text:p></style:footer>'
    master = (f'<style:master-page style:name="Standard" style:page-layout-name="pm1">{parts}'
              "</style:master-page>")
    return document("text", TEXT_STYLES, TEXT_AUTOMATIC, master,
                    f"<office:text>{body}</office:text>")


def para(text, style="Standard"):
    return f'<text:p text:style-name="{style}">{escape(text)}</text:p>'


def heading(text, level=1, style=None):
    name = style or f"Heading_20_{level}"
    return (f'<text:h text:style-name="{name}" text:outline-level="{level}">{escape(text)}'
            "</text:h>")


def text_list(items, style):
    """items: strings, or (string, [sub-item strings])."""
    entries = []
    for item in items:
        label, children = item if isinstance(item, tuple) else (item, [])
        nested = text_list(children, style) if children else ""
        entries.append(f"<text:list-item>{para(label)}{nested}</text:list-item>")
    return f'<text:list text:style-name="{style}">{"".join(entries)}</text:list>'


def text_table(name, rows, cell_style, first_row_style=None, header_span=0):
    """rows: lists of strings; header_span > 1 merges the first row into one cell that wide."""
    columns = max(len(row) for row in rows)
    out = [f'<table:table table:name="{name}" table:style-name="Table">'
           f'<table:table-column table:number-columns-repeated="{columns}"/>']
    for index, row in enumerate(rows):
        style = first_row_style if index == 0 and first_row_style else cell_style
        cells = []
        for column, value in enumerate(row):
            span = f' table:number-columns-spanned="{header_span}"' \
                if index == 0 and column == 0 and header_span > 1 else ""
            cells.append(f'<table:table-cell table:style-name="{style}" office:value-type='
                         f'"string"{span}>{para(value, "Table_20_Contents")}</table:table-cell>')
        if index == 0 and header_span > 1:
            cells.append("<table:covered-table-cell/>" * (header_span - 1))
        out.append(f"<table:table-row>{''.join(cells)}</table:table-row>")
    out.append("</table:table>")
    return "".join(out)


def png_bytes(width, height, seed):
    """A picture with bands and a diagonal, different for each seed."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            on_line = abs(x * height - y * width) < width * 2
            red = 30 if on_line else (x * 255 // width + seed * 70) % 256
            green = 30 if on_line else (y * 255 // height) % 256
            blue = 30 if on_line else (120 + seed * 50 + (x // 20 % 2) * 60) % 256
            rows += bytes((red, green, blue))

    def chunk(kind, data):
        payload = kind + data
        return struct.pack(">I", len(data)) + payload + struct.pack(">I", zlib.crc32(payload))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 9)) + chunk(b"IEND", b""))


def picture(name, png, width_cm, height_cm):
    data = base64.b64encode(png).decode("ascii")
    return (f'<text:p text:style-name="Centered"><draw:frame draw:style-name="Picture" '
            f'draw:name="{name}" text:anchor-type="as-char" svg:width="{width_cm}cm" '
            f'svg:height="{height_cm}cm"><draw:image><office:binary-data>{data}'
            "</office:binary-data></draw:image></draw:frame></text:p>")


SHEET_AUTOMATIC = "".join([
    '<number:number-style style:name="N2"><number:number number:decimal-places="2" '
    'number:min-decimal-places="2" number:min-integer-digits="1"/></number:number-style>',
    '<number:percentage-style style:name="N3"><number:number number:decimal-places="0" '
    'number:min-integer-digits="1"/><number:text>%</number:text></number:percentage-style>',
    '<number:date-style style:name="N4"><number:year number:style="long"/><number:text>-'
    '</number:text><number:month number:style="long"/><number:text>-</number:text>'
    '<number:day number:style="long"/></number:date-style>',
    '<style:style style:name="co1" style:family="table-column"><style:table-column-properties '
    'style:column-width="3.2cm"/></style:style>',
    '<style:style style:name="head" style:family="table-cell"><style:table-cell-properties '
    'fo:border="0.5pt solid #000000" fo:background-color="#dddddd"/>'
    '<style:text-properties fo:font-weight="bold"/></style:style>',
    *(f'<style:style style:name="{name}" style:family="table-cell"{data}>'
      '<style:table-cell-properties fo:border="0.5pt solid #000000"/></style:style>'
      for name, data in [("text", ""), ("int", ""), ("dec", ' style:data-style-name="N2"'),
                         ("pct", ' style:data-style-name="N3"'),
                         ("date", ' style:data-style-name="N4"')]),
    '<style:page-layout style:name="pm1"><style:page-layout-properties fo:page-width="21cm" '
    'fo:page-height="29.7cm" fo:margin="2cm"/></style:page-layout>',
])


def sheet_cell(kind, value, shown):
    """kind: text, int, dec, pct or date; shown is the text the cell displays."""
    style = f'table:style-name="{kind}"'
    if kind == "text":
        attributes = 'office:value-type="string"'
    elif kind == "date":
        attributes = f'office:value-type="date" office:date-value="{value}"'
    elif kind == "pct":
        attributes = f'office:value-type="percentage" office:value="{value}"'
    else:
        attributes = f'office:value-type="float" office:value="{value}"'
    return (f"<table:table-cell {style} {attributes}><text:p>{escape(shown)}</text:p>"
            "</table:table-cell>")


def spreadsheet(name, title, header, rows):
    """rows: lists of (kind, value, shown). The title sits above the table, one row apart."""
    styles = ('<style:default-style style:family="table-cell">' + text_properties(11) +
              "</style:default-style>")
    master = '<style:master-page style:name="Default" style:page-layout-name="pm1"/>'
    lines = [f'<table:table table:name="{name}"><table:table-column table:style-name="co1" '
             f'table:number-columns-repeated="{len(header)}"/>',
             f'<table:table-row><table:table-cell office:value-type="string"><text:p>'
             f"{escape(title)}</text:p></table:table-cell></table:table-row>",
             "<table:table-row><table:table-cell/></table:table-row>",
             "<table:table-row>" + "".join(
                 f'<table:table-cell table:style-name="head" office:value-type="string"><text:p>'
                 f"{escape(h)}</text:p></table:table-cell>" for h in header) + "</table:table-row>"]
    for row in rows:
        lines.append("<table:table-row>" + "".join(sheet_cell(*cell) for cell in row) +
                     "</table:table-row>")
    lines.append("</table:table>")
    body = f"<office:spreadsheet>{''.join(lines)}</office:spreadsheet>"
    return document("spreadsheet", styles, SHEET_AUTOMATIC, master, body)


SLIDE_AUTOMATIC = "".join([
    '<style:page-layout style:name="PM1"><style:page-layout-properties fo:margin="0cm" '
    'fo:page-width="28cm" fo:page-height="15.75cm" style:print-orientation="landscape"/>'
    "</style:page-layout>",
    paragraph_style("SlideTitle", 32, sans=True, bold=True),
    paragraph_style("SlideText", 20, sans=True),
    '<style:style style:name="box" style:family="graphic"><style:graphic-properties '
    'draw:stroke="none" draw:fill="none" draw:auto-grow-height="false"/></style:style>',
    '<style:style style:name="shape" style:family="graphic"><style:graphic-properties '
    'draw:stroke="solid" svg:stroke-color="#1f3f6f" draw:fill="solid" '
    'draw:fill-color="#4f81bd"/></style:style>',
])


def slide(index, title, lines, with_shape):
    frame = ('<draw:frame draw:style-name="box" svg:x="{x}cm" svg:y="{y}cm" svg:width="{w}cm" '
             'svg:height="{h}cm"><draw:text-box>{text}</draw:text-box></draw:frame>')
    parts = [frame.format(x=1.5, y=1, w=25, h=2.5, text=para(title, "SlideTitle")),
             frame.format(x=1.5, y=4.5, w=17, h=9.5,
                          text="".join(para(line, "SlideText") for line in lines))]
    if with_shape:
        parts.append('<draw:rect draw:style-name="shape" svg:x="20cm" svg:y="6cm" '
                     'svg:width="6cm" svg:height="5cm"/>')
    return (f'<draw:page draw:name="Slide{index}" draw:master-page-name="Default">'
            f"{''.join(parts)}</draw:page>")


def presentation(slides):
    """slides: (title, lines, with_shape) each; 16:9 pages."""
    master = '<style:master-page style:name="Default" style:page-layout-name="PM1"/>'
    pages = "".join(slide(i + 1, *s) for i, s in enumerate(slides))
    return document("presentation", "", SLIDE_AUTOMATIC, master,
                    f"<office:presentation>{pages}</office:presentation>")
