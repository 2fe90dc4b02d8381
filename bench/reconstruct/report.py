"""The printed result: one Markdown table row per document and converter, then a summary per
converter and the targets."""

from measure import SIMILARITY_TARGET, tail


def _fraction(value):
    return "n/a" if value is None else f"{value:.3f}"


def _percent(value):
    return "n/a" if value is None else f"{value:.1%}"


def _tables(row):
    found = len(row.tables_found or [])
    if row.tables_expected is None:
        return f"{found} found"
    extra = found - row.tables_matched()
    return f"{row.tables_matched()}/{len(row.tables_expected)}" + (f" +{extra}" if extra else "")


def row_line(row):
    """A file that was written but could not be printed back still shows its structure."""
    read = row.tables_found is not None
    printed = read and not row.failed
    structure = [_percent(row.flowing), _tables(row),
                 f"{row.images_found}/{row.images_expected}"] if read else ["fail"] * 3
    cells = [row.document, row.converter, f"{row.seconds:.1f}",
             *(_fraction(value) if printed else "fail"
               for value in (row.similarity, row.guessed_similarity, row.line_similarity)),
             *structure,
             f"{row.pages_back}/{row.pages_source}" if printed else "fail",
             tail(row.error).replace("|", "/")]
    return "| " + " | ".join(cells) + " |"


HEADER = ("| document | converter | time s | text sim | guessed order | by lines | flowing | tables "
          "| images | pages | note |\n|---|---|---:|---:|---:|---:|---:|---:|---:|---:|---|")


def mean(values):
    values = [v for v in values if v is not None]
    return sum(values) / len(values) if values else None


def summary(rows, converter):
    mine = [r for r in rows if r.converter == converter]
    good = [r for r in mine if not r.failed]
    checks = [c for r in mine for c in r.checks().values()]
    similarities = [r.similarity for r in good if r.similarity is not None]
    texts = [r for r in mine if r.source_has_text]
    return {
        "converted": len(good), "documents": len(mine),
        "seconds": sum(r.seconds for r in good),
        # a failed conversion keeps none of the text
        "similarity": mean([0.0 if r.failed else r.similarity for r in texts]),
        "guessed_similarity": mean([0.0 if r.failed else r.guessed_similarity for r in texts]),
        "line_similarity": mean([0.0 if r.failed else r.line_similarity for r in texts]),
        "on_target": sum(1 for s in similarities if s >= SIMILARITY_TARGET),
        "texts": len(texts),
        "flowing": mean([r.flowing for r in mine]),  # known even when printing failed
        "tables": sum(r.tables_matched() for r in mine),
        "tables_expected": sum(len(r.tables_expected or []) for r in mine),
        "structure": sum(checks), "structure_checks": len(checks),
    }


def speed_ratio(rows, converter, reference="mutool", field="seconds"):
    """Time over the documents both converted: `field` of `converter`'s rows against the
    reference's whole run."""
    times = {}
    for row in rows:
        if row.failed:
            continue
        seconds = row.seconds if row.converter == reference else getattr(row, field)
        if seconds is not None:
            times.setdefault(row.document, {})[row.converter] = seconds
    pairs = [(t[converter], t[reference]) for t in times.values()
             if converter in t and reference in t]
    if not pairs or not sum(b for _, b in pairs):
        return None
    return sum(a for a, _ in pairs) / sum(b for _, b in pairs)


def summary_line(rows, converter):
    s = summary(rows, converter)
    ratio = speed_ratio(rows, converter)
    note = (f"{s['on_target']}/{s['texts']} texts ≥ {SIMILARITY_TARGET}; structure checks "
            f"{s['structure']}/{s['structure_checks']}; speed × mutool "
            f"{'n/a' if ratio is None else f'{ratio:.2f}'}")
    cells = [f"**all ({s['converted']}/{s['documents']} measured)**", converter,
             f"{s['seconds']:.1f}", _fraction(s["similarity"]), _fraction(s["guessed_similarity"]),
             _fraction(s["line_similarity"]),
             _percent(s["flowing"]),
             f"{s['tables']}/{s['tables_expected']}", "", "", note]
    return "| " + " | ".join(cells) + " |"


def verdict(rows, ours="ours"):
    converters = sorted({r.converter for r in rows})
    if ours not in converters:
        return []
    mine = summary(rows, ours)
    peers = [c for c in converters if c != ours]
    lines = []
    for peer in peers:
        theirs = summary(rows, peer)
        structure = "beats" if mine["structure"] > theirs["structure"] else "does NOT beat"
        text = "no worse" if (mine["similarity"] or 0) >= (theirs["similarity"] or 0) - 0.005 \
            else "WORSE"
        lines.append(f"- ours {structure} {peer} on structure ({mine['structure']} vs "
                     f"{theirs['structure']} checks), {text} on text similarity")
    ratio = speed_ratio(rows, ours)
    if ratio is not None:
        lines.append(f"- speed: {ratio:.2f} × mutool per file through quire-cli, each run paying "
                     "the program's and the core's start and the file-facts query")
    core_ratio = speed_ratio(rows, ours, field="core_seconds")
    if core_ratio is not None:
        lines.append(f"- speed of the conversion in the core: {core_ratio:.2f} × mutool's whole "
                     "run (target ≤ 2; the core's own report of its work on the task)")
    return lines


TARGETS = ("Targets: text sim ≥ 0.98 on text documents; flowing 100 %; tables right "
           "(known half: matched/expected, +extra); images kept (found/in source); pages "
           "(round trip/source) within 10 %; ours beats both peers on structure and is no worse "
           "on text similarity; speed ≤ 2 × mutool.")


def print_report(rows, extra_lines, out):
    print(HEADER, file=out)
    for row in rows:
        print(row_line(row), file=out)
    for converter in sorted({r.converter for r in rows}):
        print(summary_line(rows, converter), file=out)
    if extra_lines:
        print("\n| document | converter | format | time s | result |\n|---|---|---|---:|---|",
              file=out)
        for line in extra_lines:
            print(line, file=out)
    print("\n" + TARGETS, file=out)
    for line in verdict(rows):
        print(line, file=out)
