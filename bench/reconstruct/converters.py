"""The converters measured side by side: each turns a PDF into an office file in its own folder."""

import json
import os
import re
from pathlib import Path

import tools

CLI_FUNCTIONS = {"docx": "pdf-to-word", "xlsx": "pdf-to-excel", "pptx": "pdf-to-ppt"}
OFFICE_IMPORT_FILTERS = {"docx": "writer_pdf_import", "pptx": "impress_pdf_import"}


class Result:
    def __init__(self, outcome, path=None, core_seconds=None):
        self.outcome = outcome
        self.path = path
        # The conversion inside our core, without the program's and the core's start: what the
        # core reported as its work on the conversion task. None for the peers.
        self.core_seconds = core_seconds

    @property
    def ok(self):
        return self.outcome.ok and self.path is not None


def _single_output(outdir: Path, extension, outcome, core_seconds=None):
    found = sorted(outdir.glob(f"*.{extension}"))
    if outcome.ok and not found:
        outcome = tools.Outcome(False, outcome.seconds, outcome.output,
                                f"no .{extension} written ({outcome.error[:200]})")
    return Result(outcome, found[0] if outcome.ok and found else None, core_seconds)


_TASK_START = re.compile(r"Start kpdfcore processid:\d+, taskid:(\d+), param:(\{.*\})\s*$")
_CORE_MESSAGE = re.compile(r"pdf server receive cmd:(\{.*\})\s*$")


def core_work_seconds(log_text, command_prefix="pdf_to_"):
    """The work our cores reported ("core_work_us") on the tasks whose command starts with
    `command_prefix`, from quire-cli's log; None when no such task reported any."""
    commands = {}
    total_us = None
    for line in log_text.splitlines():
        started = _TASK_START.search(line)
        if started:
            try:
                commands[started.group(1)] = json.loads(started.group(2)).get("cmd", "")
            except ValueError:
                pass
            continue
        message = _CORE_MESSAGE.search(line)
        if not message:
            continue
        try:
            values = json.loads(message.group(1))
        except ValueError:
            continue
        task = str(values.get("task_id", ""))
        if "core_work_us" in values and commands.get(task, "").startswith(command_prefix):
            total_us = (total_us or 0) + int(values["core_work_us"])
    return None if total_us is None else total_us / 1e6


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
        # quire-cli logs only into a log file that exists; the log tells the core's own time.
        self.log = home / "quire-cli.log"

    def formats(self):
        return set(CLI_FUNCTIONS)

    def convert(self, pdf: Path, extension, outdir: Path):
        outdir.mkdir(parents=True, exist_ok=True)
        if not self.cli.is_file():
            return Result(tools.Outcome(False, 0.0, "", f"{self.cli} not built"))
        self.log.write_text("")
        outcome = tools.run([self.cli, CLI_FUNCTIONS[extension], "--agree-upload", pdf, "-o",
                             outdir],
                            self.timeout, env=self.env)
        log_text = self.log.read_text(encoding="utf-8", errors="replace")
        return _single_output(outdir, extension, outcome, core_work_seconds(log_text))


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
