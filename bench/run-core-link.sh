#!/usr/bin/env bash
# Builds the plain flavour and the link benchmark, makes a one-page PDF and runs it.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh
./scripts/build.sh release --target benchmarks
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
printf '%%%%MediaBox 0 0 595 842\n%%%%Font F1 Helvetica\nBT /F1 24 Tf 72 720 Td (Quire) Tj ET\n' > "$work/page.txt"
mutool create -o "$work/one-page.pdf" "$work/page.txt"
export XDG_RUNTIME_DIR="$work"
build/release/bin/core_link_bench build/release/bin "$work/one-page.pdf"
