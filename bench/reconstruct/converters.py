"""The converters measured side by side: each turns a PDF into an office file in its own folder."""

import os
from pathlib import Path

import tools

CLI_FUNCTIONS = {"docx": "pdf-to-word", "xlsx": "pdf-to-excel", "pptx": "pdf-to-ppt"}
OFFICE_IMPORT_FILTERS = {"docx": "writer_pdf_import", "pptx": "impress_pdf_import"}


class Result:
    def __init__(self, outcome, path=None):
        self.outcome = outcome
        self.path = path

    @property
    def ok(self):
        return self.outcome.ok and self.path is not None


def _single_output(outdir: Path, extension, outcome):
    found = sorted(outdir.glob(f"*.{extension}"))
    if outcome.ok and not found:
        outcome = tools.Outcome(False, outcome.seconds, outcome.output,
                                f"no .{extension} written ({outcome.error[:200]})")
    return Result(outcome, found[0] if outcome.ok and found else None)


class Ours:
    name = "ours"

    def __init__(self, cli: Path, runtime: Path, home: Path, timeout):
        self.cli = cli
        self.timeout = timeout
        for folder in (runtime, home):
            folder.mkdir(parents=True, exist_ok=True)
            folder.chmod(0o700)
        # A private user folder keeps the upload agreement below out of the user's own
        # settings. The agreement is what a person answers for a scan; the conversion still
        # runs locally first, so a scan measures the core's page pictures.
        self.env = dict(os.environ, XDG_RUNTIME_DIR=str(runtime), QUIRE_HOME=str(home))

    def formats(self):
        return set(CLI_FUNCTIONS)

    def convert(self, pdf: Path, extension, outdir: Path):
        outdir.mkdir(parents=True, exist_ok=True)
        if not self.cli.is_file():
            return Result(tools.Outcome(False, 0.0, "", f"{self.cli} not built"))
        outcome = tools.run([self.cli, CLI_FUNCTIONS[extension], "--agree-upload", pdf, "-o",
                             outdir],
                            self.timeout, env=self.env)
        return _single_output(outdir, extension, outcome)


class OfficeImport:
    name = "office"

    def __init__(self, office: tools.Office):
        self.office = office

    def formats(self):
        return set(OFFICE_IMPORT_FILTERS)

    def convert(self, pdf: Path, extension, outdir: Path):
        outcome = self.office.convert([pdf], extension, outdir, OFFICE_IMPORT_FILTERS[extension])
        return _single_output(outdir, extension, outcome)


class Mutool:
    name = "mutool"

    def __init__(self, timeout):
        self.timeout = timeout

    def formats(self):
        return {"docx"}

    def convert(self, pdf: Path, extension, outdir: Path):
        outdir.mkdir(parents=True, exist_ok=True)
        target = outdir / f"{pdf.stem}.{extension}"
        outcome = tools.run(["mutool", "convert", "-F", extension, "-o", target, pdf],
                            self.timeout)
        return _single_output(outdir, extension, outcome)
