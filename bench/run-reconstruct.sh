#!/usr/bin/env bash
# Measures PDF to Word/Excel/PowerPoint quality: our quire-cli beside the office suite's PDF
# import and mutool, on documents of known structure and on the first pages of the corpus of
# bench/fetch-corpus.sh (fetched first if missing). Prints one Markdown table.
#
#   bench/run-reconstruct.sh [--cli PATH] [--pages N] [--half known|real|all] [--only TEXT]
#                            [--converters ours,office,mutool] [--timeout S]
#
# quire-cli: --cli, else $QUIRE_CLI, else build/release/bin/quire-cli (not built here: build it
# first, e.g. ./scripts/build.sh release). Progress goes to stderr, the table to stdout.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${QUIRE_CORPUS:-build/corpus}
[[ -f "$corpus/pdf/R-intro.pdf" ]] || bench/fetch-corpus.sh "$corpus"
python3 -m unittest discover -s bench/reconstruct -p 'test_*.py' >&2
exec python3 bench/reconstruct/bench.py --corpus "$corpus" "$@"
