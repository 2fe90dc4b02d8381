"""What one conversion is worth: its Word file printed back to PDF and compared with the source,
and its structure read from the file itself."""

import shutil
from collections import Counter
from dataclasses import dataclass
from pathlib import Path

import ooxml
import textsim
import tools

FLOWING_TARGET = 0.9995
SIMILARITY_TARGET = 0.98


@dataclass
class Row:
    document: str
    converter: str
    seconds: float = 0.0
    core_seconds: float = None  # the conversion inside our core alone, when it reports it
    # None: the source has no text to compare. Both texts are read in the order their
    # producers wrote them: every source here was written in reading order, and so is the
    # printed-back document, in its flow. pdftotext's own reading-order guess can scramble a
    # source (a contents page's number column read apart from its titles); that reading and
    # the one line by line as printed are kept beside it.
    similarity: float = None
    guessed_similarity: float = None
    line_similarity: float = None
    flowing: float = None
    tables_found: list = None
    tables_expected: list = None
    images_found: int = 0
    images_expected: int = 0
    pages_back: int = 0
    pages_source: int = 0
    source_has_text: bool = True
    error: str = ""

    @property
    def failed(self):
        return bool(self.error)

    def tables_matched(self):
        if self.tables_found is None or self.tables_expected is None:
            return 0
        return sum((Counter(self.tables_found) & Counter(self.tables_expected)).values())

    def checks(self):
        """The structure checks this row passes and the number it takes."""
        passed = {
            "images": self.images_found >= self.images_expected,
            "pages": abs(self.pages_back - self.pages_source) <= 0.1 * self.pages_source,
        }
        # A scan has no body text that could flow; its check is the page pictures.
        if self.source_has_text:
            passed["flowing"] = self.flowing is not None and self.flowing >= FLOWING_TARGET
        if self.tables_expected is not None:
            passed["tables"] = (self.tables_matched() == len(self.tables_expected) and
                                len(self.tables_found or []) == len(self.tables_expected))
        if self.failed:
            passed = dict.fromkeys(passed, False)
        return passed


def tail(text, width=90):
    """The end of a message says why; its start mostly repeats what failed."""
    return text if len(text) <= width else "…" + text[-width:]


def failure_message(document, outcome):
    """The last line of a converter's complaint, without the long path of the source."""
    lines = outcome.error.replace(str(document.pdf), document.pdf.name).splitlines()
    return lines[-1] if lines else "fail"


def flowing_share(shape):
    return shape.flowing_chars / shape.all_chars if shape.all_chars else None


def measure_docx(document, converter, result, office, source_texts, folder: Path,
                 print_timeout=None):
    """`source_texts`: the source's text by order (tools.pdf_texts)."""
    row = Row(document.name, converter, result.outcome.seconds, result.core_seconds,
              tables_expected=document.tables, images_expected=document.images,
              pages_source=document.pages,
              source_has_text=bool(textsim.normalise(source_texts["raw"])))
    if not result.ok:
        row.error = failure_message(document, result.outcome)
        return row
    try:
        shape = ooxml.docx_shape(result.path)
    except Exception as failure:  # a broken file is the converter's fault, not the run's end
        row.error = f"unreadable docx: {failure}"
        return row
    row.flowing = flowing_share(shape)
    row.tables_found = shape.tables
    row.images_found = shape.images
    back = office.convert([result.path], "pdf", folder / "back", timeout=print_timeout)
    pdf = folder / "back" / f"{result.path.stem}.pdf"
    if not back.ok or not pdf.is_file():
        row.error = f"not printable: {back.error[:80]}"
        return row
    row.pages_back = tools.page_count(pdf) or 0
    if row.source_has_text:
        texts = tools.pdf_texts(pdf)
        row.similarity, row.guessed_similarity, row.line_similarity = (
            textsim.similarity(source_texts[order], texts[order])
            for order in ("raw", "guessed", "lines"))
    return row


def fresh_folder(folder: Path):
    shutil.rmtree(folder, ignore_errors=True)
    folder.mkdir(parents=True)
    return folder


def describe_xlsx(document, result):
    if not result.ok:
        return "fail: " + tail(failure_message(document, result.outcome))
    try:
        sheets = ooxml.xlsx_sheets(result.path)
    except Exception as failure:
        return f"fail: unreadable xlsx: {failure}"
    cells = document.truth["cells"]
    found = ooxml.cells_recovered(sheets, cells)
    return f"cells {found}/{len(cells)} with value and type; sheets {len(sheets)} for " \
           f"{document.pages} pages"


def describe_pptx(document, result, source_text):
    if not result.ok:
        return "fail: " + tail(failure_message(document, result.outcome))
    try:
        shape = ooxml.pptx_shape(result.path)
    except Exception as failure:
        return f"fail: unreadable pptx: {failure}"
    size = tools.page_size(document.pdf)
    want = size[0] / size[1] if size else 0.0
    got = shape.width / shape.height if shape.height else 0.0
    similarity = textsim.similarity(source_text, shape.text)
    return (f"slides {shape.slides}/{document.pages}; aspect {got:.3f} vs {want:.3f}; "
            f"text sim {similarity:.3f}; pictures {shape.pictures}")
