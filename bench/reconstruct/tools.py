"""External commands with time limits: every call returns a result, none raises or hangs."""

import os
import shutil
import signal
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

DEFAULT_TIMEOUT = 300


@dataclass
class Outcome:
    ok: bool
    seconds: float
    output: str
    error: str


def _end(child):
    os.killpg(child.pid, signal.SIGKILL)
    try:
        child.communicate(timeout=10)
    except subprocess.TimeoutExpired:
        pass  # a descendant that left the group still holds the pipes; do not wait on it


def run(args, timeout=DEFAULT_TIMEOUT, env=None, cwd=None):
    """Runs a command; a missing program, a non-zero status and a timeout all become ok=False.
    The command runs in a session of its own so that a timeout ends everything it started:
    the office suite's launcher leaves its worker behind otherwise."""
    start = time.monotonic()
    try:
        child = subprocess.Popen([str(a) for a in args], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, stdin=subprocess.DEVNULL, env=env,
                                 cwd=cwd, start_new_session=True)
    except OSError as failure:
        return Outcome(False, time.monotonic() - start, "", str(failure))
    try:
        stdout, stderr = child.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        _end(child)
        return Outcome(False, time.monotonic() - start, "", f"timeout after {timeout} s")
    except BaseException:  # an interrupted run must not leave its commands running
        _end(child)
        raise
    seconds = time.monotonic() - start
    text = stdout.decode("utf-8", "replace")
    error = stderr.decode("utf-8", "replace").strip()
    if child.returncode != 0:
        return Outcome(False, seconds, text, error or f"exit status {child.returncode}")
    return Outcome(True, seconds, text, error)


class Office:
    """LibreOffice in headless mode. A fresh profile costs several seconds of set-up on the
    first start, which would be charged to whichever conversion came first; so one profile is
    warmed once and every call gets its own copy of it."""

    def __init__(self, work: Path, timeout=DEFAULT_TIMEOUT):
        self.work = work
        self.timeout = timeout
        self.template = work / "profile-template"
        self.calls = 0
        for stale in work.glob("profile-[0-9]*"):  # left by an interrupted run
            shutil.rmtree(stale, ignore_errors=True)

    def warm_up(self):
        if (self.template / "user").is_dir():
            return True
        shutil.rmtree(self.template, ignore_errors=True)
        outcome = run(["soffice", "--headless", f"-env:UserInstallation={self.template.as_uri()}",
                       "--terminate_after_init"], self.timeout)
        return outcome.ok and (self.template / "user").is_dir()

    def convert(self, sources, target, outdir: Path, infilter=None, timeout=None):
        """Converts files to the target format (an extension, optionally with a filter name);
        the outcome's time covers the office alone, not the copy of its profile."""
        self.calls += 1
        profile = self.work / f"profile-{os.getpid()}-{self.calls}"
        shutil.rmtree(profile, ignore_errors=True)
        if self.template.is_dir():
            shutil.copytree(self.template, profile, symlinks=True)
        args = ["soffice", "--headless", f"-env:UserInstallation={profile.as_uri()}"]
        if infilter:
            args.append(f"--infilter={infilter}")
        args += ["--convert-to", target, "--outdir", outdir, *sources]
        outdir.mkdir(parents=True, exist_ok=True)
        outcome = run(args, timeout or self.timeout)
        shutil.rmtree(profile, ignore_errors=True)
        return outcome


def page_count(pdf: Path):
    outcome = run(["pdfinfo", pdf], 60)
    if not outcome.ok:
        return None
    for line in outcome.output.splitlines():
        if line.startswith("Pages:"):
            return int(line.split()[1])
    return None


def page_size(pdf: Path):
    """The first page's width and height in points."""
    outcome = run(["pdfinfo", pdf], 60)
    for line in outcome.output.splitlines():
        if line.startswith("Page size:"):
            fields = line.split()
            return float(fields[2]), float(fields[4])
    return None


# How pdftotext orders a page's text: as the producer wrote it ("raw"), by its own reading-order
# guess ("guessed"), or line by line as printed ("lines").
TEXT_ORDERS = {"raw": ["-raw"], "guessed": [], "lines": ["-layout"]}


def pdf_text(pdf: Path, order="raw"):
    """The text in the given order (TEXT_ORDERS)."""
    outcome = run(["pdftotext", "-enc", "UTF-8", *TEXT_ORDERS[order], pdf, "-"], 120)
    return outcome.output if outcome.ok else None


def pdf_texts(pdf: Path):
    """The text in every order, by order's name."""
    return {order: pdf_text(pdf, order) or "" for order in TEXT_ORDERS}


def pdf_image_count(pdf: Path):
    """Images drawn on the pages; soft masks are listed as rows of their own and skipped."""
    outcome = run(["pdfimages", "-list", pdf], 120)
    if not outcome.ok:
        return None
    rows = outcome.output.splitlines()[2:]
    return sum(1 for row in rows if len(row.split()) > 2 and row.split()[2] == "image")


def first_pages(source: Path, target: Path, pages: int):
    """The document's first pages as a PDF of its own (the whole of it when it is shorter)."""
    total = page_count(source)
    if total is None:
        return False
    last = min(total, pages)
    partial = target.with_name(target.name + ".part")  # a timed-out copy must not be cached
    if not run(["qpdf", "--empty", "--pages", source, f"1-{last}", "--", partial], 120).ok:
        partial.unlink(missing_ok=True)
        return False
    partial.rename(target)
    return True
