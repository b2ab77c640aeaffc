#!/usr/bin/env bash
# Compares our printing of RTF files with LibreOffice's: for each file, the page counts of both
# PDFs and the share of LibreOffice's lines (from `pdftotext -layout`) whose first and last words
# match a line of ours. Each file is printed on its own page size and margins.
#
#   tools/compare_print.sh [--tool PATH] [--keep DIR] [FILE.rtf ...]
#
# Without files it makes its fixtures from bench/print_fixtures/: Markdown through pandoc,
# .fodt and .html through LibreOffice, and takes the .rtf there as they are. Needs soffice
# (libreoffice-writer-nogui), pandoc and pdftotext/pdfinfo (poppler-utils); not run by ctest.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
tool="$here/build/test/tools/inkwend-tool"
keep=""
files=()
while [ $# -gt 0 ]; do
  case "$1" in
    --tool) tool=$2; shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    -h|--help) sed -n 2,11p "$0"; exit 0 ;;
    *) files+=("$1"); shift ;;
  esac
done
for need in soffice pdftotext pdfinfo python3; do
  command -v "$need" >/dev/null || { echo "compare_print: $need is missing" >&2; exit 2; }
done
[ -x "$tool" ] || { echo "compare_print: no inkwend-tool at $tool (build it, or give --tool)" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# LibreOffice keeps its profile here, so that a running instance or a user's settings do not
# change its output.
profile="-env:UserInstallation=file://$work/profile"

# --- fixtures ---------------------------------------------------------------------------------
if [ ${#files[@]} -eq 0 ]; then
  fixtures="$here/bench/print_fixtures"
  mkdir -p "$work/fixtures"
  for md in "$fixtures"/*.md; do
    [ -e "$md" ] || continue
    command -v pandoc >/dev/null || { echo "compare_print: pandoc is missing" >&2; exit 2; }
    out="$work/fixtures/$(basename "${md%.md}").rtf"
    (cd "$fixtures" && pandoc -s "$md" -o "$out")
    # pandoc states no page; it gets the one LibreOffice gives such a file (Letter, margins of
    # one inch), stated, so that both programs print on the same page.
    python3 - "$out" <<'PAGE'
import sys
path = sys.argv[1]
rtf = open(path, encoding="latin-1").read()
at = rtf.find("{\\colortbl")
end = rtf.find("}", at) + 1 if at >= 0 else rtf.find("}}") + 2
page = "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440"
open(path, "w", encoding="latin-1").write(rtf[:end] + page + rtf[end:])
PAGE
    files+=("$out")
  done
  for src in "$fixtures"/*.fodt "$fixtures"/*.html; do
    [ -e "$src" ] || continue
    soffice "$profile" --headless --convert-to rtf --outdir "$work/fixtures" "$src" >/dev/null 2>&1
    files+=("$work/fixtures/$(basename "${src%.*}").rtf")
  done
  for rtf in "$fixtures"/*.rtf; do
    [ -e "$rtf" ] && files+=("$rtf")
  done
fi

# --- print and compare ------------------------------------------------------------------------
printf '%-34s %6s %6s %8s\n' "file" "ours" "LO" "lines"
results="$work/results"
: >"$results"
n=0
for f in "${files[@]}"; do
  n=$((n + 1))
  name=$(basename "${f%.*}")
  dir="$work/$n"
  mkdir -p "$dir"
  cp "$f" "$dir/doc.rtf"
  if ! "$tool" pdf "$dir/doc.rtf" "$dir/ours.pdf" >/dev/null 2>"$dir/ours.err"; then
    echo "compare_print: $name: our print failed: $(cat "$dir/ours.err")" >&2
    continue
  fi
  (cd "$dir" && soffice "$profile" --headless --convert-to pdf doc.rtf >/dev/null 2>&1) || true
  if [ ! -s "$dir/doc.pdf" ]; then
    echo "compare_print: $name: LibreOffice did not print it" >&2
    continue
  fi
  pdftotext -layout "$dir/ours.pdf" "$dir/ours.txt"
  pdftotext -layout "$dir/doc.pdf" "$dir/lo.txt"
  ours_pages=$(pdfinfo "$dir/ours.pdf" | awk '/^Pages:/ {print $2}')
  lo_pages=$(pdfinfo "$dir/doc.pdf" | awk '/^Pages:/ {print $2}')
  share=$(python3 - "$dir/lo.txt" "$dir/ours.txt" <<'EOF'
import collections, sys

def ends(path):
    # First and last word of every line with text; the multiset of them.
    with open(path, encoding="utf-8", errors="replace") as f:
        pairs = [(w[0], w[-1]) for w in (line.split() for line in f) if w]
    return pairs

lo, ours = ends(sys.argv[1]), collections.Counter(ends(sys.argv[2]))
matched = 0
for pair in lo:
    if ours[pair] > 0:
        ours[pair] -= 1
        matched += 1
print(f"{matched / len(lo):.3f}" if lo else "1.000")
EOF
)
  printf '%-34s %6s %6s %8s\n' "$name" "$ours_pages" "$lo_pages" "$share"
  echo "$name $ours_pages $lo_pages $share" >>"$results"
  if [ -n "$keep" ]; then
    mkdir -p "$keep/$name"
    cp "$dir"/doc.rtf "$dir"/ours.pdf "$dir"/doc.pdf "$dir"/ours.txt "$dir"/lo.txt "$keep/$name/"
  fi
done

awk '{ files++; sum += $4; if ($2 == $3) equal++ }
     END { if (files) printf "%d files: mean line agreement %.3f, page counts equal in %d\n", files, sum / files, equal }' \
  "$results"
