#!/usr/bin/env bash
# Fetches a corpus of real documents for the benchmarks and the corpus tests: the PDF manuals
# of a few Debian documentation packages (Chinese and English, 41 to 2415 pages), plus
# pictures and an image-only PDF made from their pages, and a Word document of their prose. Needs only the package registry.
#
#   bench/fetch-corpus.sh [DIR]      (default: $QUIRE_CORPUS, else build/corpus)
#
# The corpus tests and benchmarks find it through the same default.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=${1:-${QUIRE_CORPUS:-build/corpus}}
packages=(debian-reference-zh-cn gnuplot-doc r-doc-pdf)

mkdir -p "$corpus/pdf" "$corpus/jpg"
corpus=$(cd "$corpus" && pwd)
work=$(mktemp -d)
chmod 755 "$work"  # apt-get download hands the file to its own user
trap 'rm -rf "$work"' EXIT

(cd "$work" && apt-get download -q "${packages[@]}")
for deb in "$work"/*.deb; do
    dpkg-deb -x "$deb" "$work/tree"
done

# The packages link the same manual under several names; keep each file once, by its name.
find "$work/tree" -type f -name '*.pdf' -print0 |
    while IFS= read -r -d '' pdf; do
        cp -n "$pdf" "$corpus/pdf/$(basename "$pdf")"
    done
rm -f "$corpus/pdf/refman.pdf"  # the same bytes as fullrefman.pdf

# Scanner-like pictures: the first pages of the Chinese manual at 150 dpi.
pdftoppm -jpeg -r 150 -f 1 -l 12 "$corpus/pdf/debian-reference.zh-cn.pdf" "$work/page"
for jpg in "$work"/page-*.jpg; do
    mv "$jpg" "$corpus/jpg/$(basename "$jpg")"
done
img2pdf -o "$corpus/pdf/scanned-pages.pdf" "$corpus"/jpg/page-*.jpg

# A Word document of real prose: the text of the first 20 pages of an English manual, saved as
# .docx by LibreOffice with a profile of its own.
mkdir -p "$corpus/office"
pdftotext -f 1 -l 20 "$corpus/pdf/R-intro.pdf" "$work/r-intro.txt"
timeout 300 soffice "-env:UserInstallation=file://$work/profile" --headless \
    --convert-to docx:"MS Word 2007 XML" --outdir "$corpus/office" "$work/r-intro.txt" >/dev/null

echo "corpus in $corpus:"
for pdf in "$corpus"/pdf/*.pdf; do
    printf '  %-32s %5s pages %9s bytes\n' "$(basename "$pdf")" \
        "$(qpdf --show-npages "$pdf")" "$(stat -c %s "$pdf")"
done
echo "  $(ls "$corpus/jpg" | wc -l) pictures in jpg/, $(ls "$corpus/office" | wc -l) in office/"
