#!/usr/bin/env python3
"""PDF to Word/Excel/PowerPoint quality benchmark: our converter beside the office suite's PDF
import and mutool, on documents of known structure and on the first pages of real manuals.
See README.md beside this file."""

import argparse
import dataclasses
import json
import os
import signal
import sys
from pathlib import Path

import converters
import corpus
import measure
import report
import tools

REPO = Path(__file__).resolve().parents[2]


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__)
    default_cli = os.environ.get("QUIRE_CLI", str(REPO / "build/release/bin/quire-cli"))
    parser.add_argument("--cli", default=default_cli, help="quire-cli to measure")
    parser.add_argument("--corpus", default=os.environ.get("QUIRE_CORPUS", REPO / "build/corpus"))
    parser.add_argument("--work", default=REPO / "build/reconstruct-bench",
                        help="cache of the corpus and the outputs of the last run")
    parser.add_argument("--pages", type=int, default=10, help="first pages of each real PDF")
    parser.add_argument("--timeout", type=int, default=300, help="seconds per conversion")
    parser.add_argument("--print-timeout", type=int, default=120,
                        help="seconds the office suite gets to print a converted file back")
    parser.add_argument("--half", choices=["known", "real", "all"], default="all")
    parser.add_argument("--converters", default="ours,office,mutool")
    parser.add_argument("--only", default="", help="documents whose name contains this text")
    parser.add_argument("--report-only", action="store_true",
                        help="print the last run's results again without converting")
    return parser.parse_args()


def progress(message):
    print(message, file=sys.stderr, flush=True)


def make_converters(names, arguments, office, work):
    every = {
        "ours": lambda: converters.Ours(Path(arguments.cli).resolve(), work / "runtime",
                                        work / "home-ours", arguments.timeout),
        "office": lambda: converters.OfficeImport(office),
        "mutool": lambda: converters.Mutool(arguments.timeout),
    }
    unknown = [n for n in names if n not in every]
    if unknown:
        sys.exit(f"unknown converters: {', '.join(unknown)} (choose from {', '.join(every)})")
    return [every[name]() for name in names]


def documents_of(arguments, office, work):
    documents = []
    if arguments.half in ("known", "all"):
        documents += corpus.known_documents(work, office)
    if arguments.half in ("real", "all"):
        documents += corpus.real_documents(Path(arguments.corpus), work, arguments.pages)
    return [d for d in documents if arguments.only in d.name]


def other_formats(document, converter, source_text, work):
    """The workbook and presentation checks of the known spreadsheet and slides."""
    lines = []
    checks = {"xlsx": "cells" in document.truth, "pptx": "slides" in document.truth}
    for extension, wanted in checks.items():
        if not wanted or extension not in converter.formats():
            continue
        name = f"{document.name}-{extension}"
        folder = measure.fresh_folder(work / "runs" / converter.name / name)
        result = converter.convert(document.pdf, extension, folder)
        if extension == "xlsx":
            described = measure.describe_xlsx(document, result)
        else:
            described = measure.describe_pptx(document, result, source_text)
        lines.append(f"| {document.name} | {converter.name} | {extension} | "
                     f"{result.outcome.seconds:.1f} | {described.replace('|', '/')} |")
    return lines


def save_results(path: Path, rows, extra_lines):
    results = {"rows": [dataclasses.asdict(row) for row in rows], "extra": extra_lines}
    path.write_text(json.dumps(results, ensure_ascii=False, indent=1), encoding="utf-8")


def load_results(path: Path):
    results = json.loads(path.read_text(encoding="utf-8"))
    rows = []
    for fields in results["rows"]:
        for name in ("tables_found", "tables_expected"):
            if fields[name] is not None:
                fields[name] = [tuple(shape) for shape in fields[name]]
        rows.append(measure.Row(**fields))
    return rows, results["extra"]


def stop_on_signals():
    """Both signals unwind the run, so the command under way is ended with it; a shell starts a
    background job with interrupts ignored, hence the explicit handler."""
    signal.signal(signal.SIGINT, signal.default_int_handler)
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))


def main():
    stop_on_signals()
    arguments = parse_arguments()
    work = Path(arguments.work).resolve()
    work.mkdir(parents=True, exist_ok=True)
    results = work / "results.json"
    if arguments.report_only:
        report.print_report(*load_results(results), sys.stdout)
        return 0
    office = tools.Office(work, arguments.timeout)
    if not office.warm_up():
        progress("warning: the office profile could not be prepared; each call makes its own")
    chosen = make_converters(arguments.converters.split(","), arguments, office, work)
    documents = documents_of(arguments, office, work)
    rows, extra_lines = [], []
    for document in documents:
        source_texts = tools.pdf_texts(document.pdf)
        for converter in chosen:
            folder = measure.fresh_folder(work / "runs" / converter.name / document.name)
            result = converter.convert(document.pdf, "docx", folder / "out")
            row = measure.measure_docx(document, converter.name, result, office, source_texts,
                                       folder, arguments.print_timeout)
            progress(report.row_line(row))
            rows.append(row)
            extra_lines += other_formats(document, converter, source_texts["raw"], work)
    save_results(results, rows, extra_lines)
    report.print_report(rows, extra_lines, sys.stdout)
    return 0


if __name__ == "__main__":
    sys.exit(main())
