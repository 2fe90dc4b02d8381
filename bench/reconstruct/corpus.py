"""The two halves of the corpus: documents written here with known structure, and the first
pages of the real manuals. Both are cached in the work folder between runs."""

import json
import sys
from dataclasses import dataclass, field
from pathlib import Path

import known_docs
import textsim
import tools

OFFICE_FORMATS = {".fodt": "docx", ".fods": "xlsx", ".fodp": "pptx"}


@dataclass
class Document:
    name: str
    pdf: Path
    known: bool
    pages: int
    images: int
    tables: list = None  # (rows, columns) of each table; None when unknown
    truth: dict = field(default_factory=dict)


def warn(message):
    print(f"warning: {message}", file=sys.stderr)


def _write_if_changed(path: Path, text):
    if path.is_file() and path.read_text(encoding="utf-8") == text:
        return False
    path.write_text(text, encoding="utf-8")
    return True


def _check_source(pdf: Path, truth):
    """A source that does not show what was written would make every converter look wrong.
    Returns the pages it has, which the round trips are compared with."""
    pages = tools.page_count(pdf)
    if pages != truth["pages"]:
        warn(f"{pdf.name} has {pages} pages, written for {truth['pages']}")
    text = textsim.normalise(tools.pdf_text(pdf) or "")
    written = [textsim.normalise(line) for line in truth["text"].splitlines()]
    missing = [line for line in written if line not in text]
    if missing:
        warn(f"{pdf.name} does not show {len(missing)} of the {len(written)} lines written "
             f"into it, e.g. {missing[0][:60]!r}")
    return pages


def known_documents(work: Path, office: tools.Office):
    """Writes the flat files, saves them as office files and prints those to PDF; only the
    files whose flat source changed are converted again."""
    folders = {name: work / "known" / name for name in ("flat", "office", "pdf", "truth")}
    for folder in folders.values():
        folder.mkdir(parents=True, exist_ok=True)
    entries, stale = [], {}
    for file_name, text, truth in known_docs.all_documents():
        flat = folders["flat"] / file_name
        extension = OFFICE_FORMATS[flat.suffix]
        office_file = folders["office"] / f"{flat.stem}.{extension}"
        pdf = folders["pdf"] / f"{flat.stem}.pdf"
        if _write_if_changed(flat, text) or not pdf.is_file():
            stale.setdefault(extension, []).append(flat)
            pdf.unlink(missing_ok=True)
            office_file.unlink(missing_ok=True)
        (folders["truth"] / f"{flat.stem}.json").write_text(
            json.dumps(truth, ensure_ascii=False, indent=1), encoding="utf-8")
        entries.append((flat, office_file, pdf, truth))
    for extension, flats in stale.items():
        outcome = office.convert(flats, extension, folders["office"])
        if not outcome.ok:
            warn(f"saving {len(flats)} documents as .{extension} failed: {outcome.error}")
    offices = [office_file for flat, office_file, pdf, truth in entries
               if not pdf.is_file() and office_file.is_file()]
    if offices:
        outcome = office.convert(offices, "pdf", folders["pdf"])
        if not outcome.ok:
            warn(f"printing the known documents failed: {outcome.error}")
    documents = []
    for flat, office_file, pdf, truth in entries:
        if not pdf.is_file():
            warn(f"{flat.name}: no PDF, left out")
            continue
        pages = _check_source(pdf, truth) or truth["pages"]
        documents.append(Document(truth["name"], pdf, True, pages, truth["images"],
                                  [tuple(t) for t in truth["tables"]], truth))
    return documents


def real_documents(corpus: Path, work: Path, pages: int):
    folder = work / "real"
    folder.mkdir(parents=True, exist_ok=True)
    documents = []
    for source in sorted((corpus / "pdf").glob("*.pdf")):
        pdf = folder / f"{source.stem}-{pages}p.pdf"
        if not pdf.is_file() and not tools.first_pages(source, pdf, pages):
            warn(f"{source.name}: cannot take its first pages, left out")
            continue
        count = tools.page_count(pdf)
        images = tools.pdf_image_count(pdf)
        documents.append(Document(source.stem, pdf, False, count or 0, images or 0))
    return documents
