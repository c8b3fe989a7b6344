#!/usr/bin/env bash
# Times the text PDF and batch conversion against LibreOffice, whole processes, in alternation,
# and prints medians, ratios and file sizes:
#   300-page RTF -> text PDF   scrivelle --convert --pdf-text     vs  soffice --convert-to pdf
#   100 small RTF -> PDF       scrivelle --convert-to pdf --pdf-text (one run, all files)
#                              vs  soffice --headless --convert-to pdf (one call, all files)
# Goals: the 300-page PDF in at most half LibreOffice's time and at most twice its size; the
# batch faster than LibreOffice's one call.
#
#   bench/exports.sh [ROUNDS] [SCRIVELLE]     (default 3 rounds, build/scrivelle)
# Installs LibreOffice Writer and poppler-utils when they are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
rounds=${1:-3}
program=${2:-$here/build/scrivelle}
[ -x "$program" ] || { echo "no program at $program: build it first (scripts/setup.sh)" >&2; exit 1; }

source "$here/bench/peer-common.sh"
need_packages libreoffice-writer-nogui bc python3 poppler-utils

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$work/home"; mkdir -p "$HOME"
python3 "$here/bench/make_long_rtf.py" 300 "$work/doc300.rtf"
mkdir -p "$work/small"
python3 "$here/bench/make_long_rtf.py" 1 "$work/one.rtf"
for i in $(seq -w 1 100); do cp "$work/one.rtf" "$work/small/letter $i.rtf"; done
doc="$work/doc300.rtf"

ours_pdf() { "$program" --convert "$doc" "$work/ours.pdf" --pdf-text; }
lo_pdf() { soffice --headless --convert-to pdf --outdir "$work/lo" "$doc"; }
ours_batch() { rm -rf "$work/ob"; "$program" --convert-to pdf --pdf-text --outdir "$work/ob" "$work"/small/*.rtf; }
lo_batch() { rm -rf "$work/lb"; soffice --headless --convert-to pdf --outdir "$work/lb" "$work"/small/*.rtf; }

lo_pdf >/dev/null 2>&1 || true # LibreOffice's first start builds its profile: not timed
: > "$work/a"; : > "$work/b"; : > "$work/c"; : > "$work/d"
for ((r = 0; r < rounds; r++)); do
    if ((r % 2)); then
        seconds lo_pdf >> "$work/b"; seconds ours_pdf >> "$work/a"
        seconds lo_batch >> "$work/d"; seconds ours_batch >> "$work/c"
    else
        seconds ours_pdf >> "$work/a"; seconds lo_pdf >> "$work/b"
        seconds ours_batch >> "$work/c"; seconds lo_batch >> "$work/d"
    fi
done
a=$(median < "$work/a"); b=$(median < "$work/b"); c=$(median < "$work/c"); d=$(median < "$work/d")
pages=$(pdfinfo "$work/ours.pdf" | awk '/^Pages:/ {print $2}')
lopages=$(pdfinfo "$work/lo/doc300.pdf" | awk '/^Pages:/ {print $2}')
size=$(stat -c %s "$work/ours.pdf"); losize=$(stat -c %s "$work/lo/doc300.pdf")
made=$(ls "$work/ob" | wc -l); lomade=$(ls "$work/lb" | wc -l)
echo "300-page document: our text PDF $pages pages, LibreOffice's $lopages; $rounds rounds, medians"
printf '%-36s %9s %9s %7s\n' "job" "ours" "peer" "ratio"
printf '%-36s %9s %9s %7.2f\n' "RTF -> text PDF, seconds" "$a" "$b" "$(echo "$a / $b" | bc -l)"
printf '%-36s %9s %9s %7.2f\n' "RTF -> text PDF, bytes" "$size" "$losize" "$(echo "$size / $losize" | bc -l)"
printf '%-36s %9s %9s %7.2f\n' "100 RTF -> PDF ($made/$lomade), seconds" "$c" "$d" "$(echo "$c / $d" | bc -l)"
