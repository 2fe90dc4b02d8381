"""Documents whose structure is known because they are written here: flat OpenDocument files,
saved by the office suite as .docx/.xlsx/.pptx and printed from those to PDF."""

import random

import odf

VOCABULARY = (
    "archive binding chapter column document editor figure format glyph header index journal "
    "kerning layout margin notice outline page paragraph quotation reader section spacing "
    "table title volume width printer paper ribbon folder draft sample letter summary "
    "record report ledger budget invoice schedule meeting project quarter review status "
    "careful quick early final simple steady formal plain narrow broad bright quiet "
    "reads writes keeps moves turns holds shows brings places marks lists counts prints").split()

CHINESE_SENTENCES = [
    "这份报告介绍了文档转换的基本流程。",
    "读者打开文件以后，可以直接修改每一段文字。",
    "表格、图片和页眉页脚都应当保留在原来的位置。",
    "每一页的版式决定了正文的阅读顺序。",
    "标题使用较大的字号，正文使用常规字号；两者的间距保持一致。",
    "转换结果需要在“编辑”模式下仍然整齐美观。",
    "如果原文件没有文字层，就只能把整页作为图片放入文档。",
    "页面大小与页边距（上、下、左、右）都要与原文件相同。",
]

MIXED_SENTENCES = [
    "本次测试使用 PDF 文件，共有 12 页，每页约 500 字。",
    "请把 Word 文档另存为 DOCX 格式，然后再打开。",
    "第 3 章介绍 Excel 表格中的数字、日期与百分比（例如 25%）。",
    "版本 2.1 支持 PowerPoint 幻灯片，宽高比为 16:9。",
    "在 Linux 系统中，字体由 fontconfig 统一管理。",
    "文件大小不超过 20 MB 时，转换通常在 5 秒内完成。",
]


def latin_sentences(rng, count):
    sentences = []
    for _ in range(count):
        words = [rng.choice(VOCABULARY) for _ in range(rng.randint(8, 16))]
        sentences.append(" ".join(words).capitalize() + ".")
    return sentences


def latin_paragraph(rng, sentences=4):
    return " ".join(latin_sentences(rng, sentences))


def chinese_paragraph(rng, pool, sentences=4):
    return "".join(rng.sample(pool, sentences))


class Builder:
    """Collects one document's body and the truth about it as it is written."""

    def __init__(self, name, seed):
        self.name = name
        self.rng = random.Random(seed)
        self.body = []
        self.text = []
        self.tables = []
        self.images = 0

    def heading(self, text, level=1, style=None):
        self.body.append(odf.heading(text, level, style))
        self.text.append(text)

    def para(self, text, style="Standard"):
        self.body.append(odf.para(text, style))
        self.text.append(text)

    def latin(self, count=1, sentences=4):
        for _ in range(count):
            self.para(latin_paragraph(self.rng, sentences))

    def items(self, items, style):
        self.body.append(odf.text_list(items, style))
        for item in items:
            label, children = item if isinstance(item, tuple) else (item, [])
            self.text += [label, *children]

    def table(self, rows, cell_style, first_row_style=None, header_span=0):
        self.body.append(odf.text_table(f"Table{len(self.tables) + 1}", rows, cell_style,
                                        first_row_style, header_span))
        self.text += [value for row in rows for value in row]
        self.tables.append([len(rows), max(len(row) for row in rows)])

    def picture(self, seed):
        self.images += 1
        self.body.append(odf.picture(f"Picture{self.images}", odf.png_bytes(240, 120, seed),
                                     8, 4))

    def truth(self, pages, office="docx"):
        return {"name": self.name, "office": office, "pages": pages, "tables": self.tables,
                "images": self.images, "text": "\n".join(self.text)}


def latin_doc():
    b = Builder("a-latin", 1)
    b.heading("Annual layout review")
    b.latin(2)
    b.heading("Paper and margins", 2)
    b.latin(2)
    b.heading("Reading order", 2)
    b.latin(1)
    return b, {}


def chinese_doc():
    b = Builder("b-chinese", 2)
    b.heading("文档转换测试报告")
    for _ in range(2):
        b.para(chinese_paragraph(b.rng, CHINESE_SENTENCES))
    b.heading("中英文混排", 2)
    for _ in range(3):
        b.para(chinese_paragraph(b.rng, MIXED_SENTENCES, 3))
    b.heading("Mixed 段落 and 标点", 2)
    b.para(chinese_paragraph(b.rng, CHINESE_SENTENCES, 2) + latin_paragraph(b.rng, 1))
    return b, {}


def columns_doc():
    b = Builder("c-columns", 3)
    b.para("A full-width title above two columns", "Title")
    b.latin(1, 3)
    section = len(b.body)
    b.heading("Left column first", 2)
    b.latin(4, 5)
    b.heading("Then the right column", 2)
    b.latin(3, 5)
    inner = "".join(b.body[section:])
    b.body[section:] = [f'<text:section text:style-name="TwoColumns" text:name="Columns">'
                        f"{inner}</text:section>"]
    return b, {}


def lists_doc():
    b = Builder("d-lists", 4)
    b.heading("Lists at two levels")
    b.latin(1, 2)
    b.items(["Paper comes first", ("Margins are kept", ["top and bottom", "left and right"]),
             "Columns come last"], "Bullets")
    b.latin(1, 2)
    b.items(["Open the document", ("Choose the format", ["Word document", "Workbook"]),
             "Save the result"], "Numbers")
    b.latin(1, 2)
    return b, {}


def tables_doc():
    b = Builder("e-tables", 5)
    b.heading("Tables with and without rules")
    b.latin(1, 2)
    b.table([["Quarterly totals by region"], ["Region", "Orders", "Revenue"],
             ["North", "1,204", "38,410.50"], ["South", "987", "30,112.00"],
             ["West", "1,530", "47,006.25"]], "Ruled", header_span=3)
    b.latin(1, 2)
    b.table([["Item", "Owner", "Status", "Due"], ["Layout", "Anna", "done", "2024-04-02"],
             ["Fonts", "Ben", "open", "2024-05-17"]], "Ruled", first_row_style="Shaded")
    b.latin(1, 2)
    b.table([["Name", "Pages", "Words"], ["Preface", "4", "1,020"], ["Chapter one", "18", "6,410"],
             ["Chapter two", "23", "8,075"]], "Open")
    b.latin(1, 2)
    return b, {}


def images_doc():
    b = Builder("f-images", 6)
    b.heading("Pictures between paragraphs")
    b.latin(1)
    b.picture(1)
    b.latin(1)
    b.picture(2)
    b.latin(1)
    return b, {}


def headers_doc():
    b = Builder("g-headers", 7)
    for page in range(1, 4):
        b.heading(f"Part {page} of the report", 1, "Heading_20_1" if page == 1 else "PageBreak")
        b.latin(2, 4)
    running = {"header": "Quire layout review, internal",
               "footer": 'Page <text:page-number text:select-page="current">1</text:page-number>'}
    return b, running


TEXT_DOCUMENTS = [(latin_doc, 1), (chinese_doc, 1), (columns_doc, 1), (lists_doc, 1),
                  (tables_doc, 1), (images_doc, 1), (headers_doc, 3)]

SHEET_HEADER = ["Item", "Quantity", "Price", "Share", "Date"]
SHEET_ROWS = [
    ("Paper, A4", 120, 4.5, 0.25, "2024-01-15"),
    ("Toner", 8, 62.9, 0.3, "2024-02-03"),
    ("Binders", 45, 2.75, 0.1, "2024-02-28"),
    ("Labels", 300, 0.12, 0.05, "2024-03-11"),
    ("Folders", 60, 1.8, 0.2, "2024-03-30"),
    ("Pens", 250, 0.95, 0.1, "2024-04-08"),
]


def sheet_doc():
    rows, cells = [], []
    first_row = 3
    for column, label in enumerate(SHEET_HEADER, 1):
        cells.append({"row": first_row, "column": column, "kind": "text", "value": label})
    for offset, (item, quantity, price, share, day) in enumerate(SHEET_ROWS, 1):
        rows.append([("text", item, item), ("int", quantity, str(quantity)),
                     ("dec", price, f"{price:.2f}"), ("pct", share, f"{share:.0%}"),
                     ("date", day, day)])
        row = first_row + offset
        cells += [{"row": row, "column": 1, "kind": "text", "value": item},
                  {"row": row, "column": 2, "kind": "number", "value": quantity},
                  {"row": row, "column": 3, "kind": "number", "value": price},
                  {"row": row, "column": 4, "kind": "percent", "value": share},
                  {"row": row, "column": 5, "kind": "date", "value": day}]
    title = "Office supplies, first half"
    source = odf.spreadsheet("Supplies", title, SHEET_HEADER, rows)
    text = [title, *SHEET_HEADER] + [shown for row in rows for _, _, shown in row]
    truth = {"name": "h-sheet", "office": "xlsx", "pages": 1,
             "tables": [[len(SHEET_ROWS) + 1, len(SHEET_HEADER)]], "images": 0,
             "text": "\n".join(text), "cells": cells}
    return source, truth


SLIDES = [
    ("Quarterly review", ["Layout kept on every page", "Text stays editable",
                          "Pictures stay pictures"], False),
    ("Numbers at a glance", ["Orders grew by 12%", "Returns fell to 3%",
                             "Two new regions"], True),
    ("下一步计划", ["完善表格识别", "支持更多字体", "Ship version 2.1"], False),
]


def slides_doc():
    text = [line for title, lines, _ in SLIDES for line in [title, *lines]]
    truth = {"name": "i-slides", "office": "pptx", "pages": len(SLIDES), "tables": [],
             "images": 0, "text": "\n".join(text), "slides": len(SLIDES)}
    return odf.presentation(SLIDES), truth


def all_documents():
    """(file name, flat source text, truth) for every known document."""
    documents = []
    for make, pages in TEXT_DOCUMENTS:
        builder, running = make()
        source = odf.text_document("".join(builder.body), **running)
        documents.append((f"{builder.name}.fodt", source, builder.truth(pages)))
    sheet, truth = sheet_doc()
    documents.append(("h-sheet.fods", sheet, truth))
    slides, truth = slides_doc()
    documents.append(("i-slides.fodp", slides, truth))
    return documents
