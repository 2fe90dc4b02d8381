#!/usr/bin/env bash
# Builds the plain flavour and runs quire-core's tools side by side with qpdf, mutool draw,
# img2pdf, Ghostscript, soffice and mutool convert on the corpus of bench/fetch-corpus.sh (fetched first if
# missing). Arguments name the groups to run (pages merge render pictures compress memory
# cli office word); none runs all.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release --target benchmarks
corpus=${QUIRE_CORPUS:-build/corpus}
[[ -f "$corpus/office/r-intro.docx" ]] || bench/fetch-corpus.sh "$corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_RUNTIME_DIR="$work"
build/release/bin/core_tools_bench build/release/bin "$corpus" "$work" "$@"
