#!/usr/bin/env bash
# Times Scrivelle against its peers on the same generated document, whole processes, in
# alternation, and prints median times and ratios:
#   RTF -> PDF     scrivelle --convert   vs  soffice --headless --convert-to pdf
#   RTF -> text    scrivelle --convert   vs  pandoc -f rtf -t plain
#   RTF -> .tpf    time and peak memory (/usr/bin/time -v) at 30, 300 and 1000 pages
#
#   bench/peers.sh [ROUNDS] [SCRIVELLE]     (default 5 rounds, build/scrivelle)
# Installs the peers (LibreOffice Writer, pandoc, GNU time) when they are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
rounds=${1:-5}
program=${2:-$here/build/scrivelle}
[ -x "$program" ] || { echo "no program at $program: build it first (scripts/setup.sh)" >&2; exit 1; }

source "$here/bench/peer-common.sh"
need_packages libreoffice-writer-nogui pandoc time bc python3 poppler-utils

work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$work/home"; mkdir -p "$HOME"
for n in 30 300 1000; do python3 "$here/bench/make_long_rtf.py" "$n" "$work/doc$n.rtf"; done
doc="$work/doc300.rtf"

ours_pdf() { "$program" --convert "$doc" "$work/ours.pdf"; }
lo_pdf() { soffice --headless --convert-to pdf --outdir "$work/lo" "$doc"; }
ours_txt() { "$program" --convert "$doc" "$work/ours.txt"; }
pandoc_txt() { pandoc -f rtf -t plain -o "$work/pandoc.txt" "$doc"; }

lo_pdf >/dev/null 2>&1 || true # LibreOffice's first start builds its profile: not timed
: > "$work/a"; : > "$work/b"; : > "$work/c"; : > "$work/d"
for ((r = 0; r < rounds; r++)); do
    if ((r % 2)); then
        seconds lo_pdf >> "$work/b"; seconds ours_pdf >> "$work/a"
        seconds pandoc_txt >> "$work/d"; seconds ours_txt >> "$work/c"
    else
        seconds ours_pdf >> "$work/a"; seconds lo_pdf >> "$work/b"
        seconds ours_txt >> "$work/c"; seconds pandoc_txt >> "$work/d"
    fi
done
a=$(median < "$work/a"); b=$(median < "$work/b"); c=$(median < "$work/c"); d=$(median < "$work/d")
pages=$(pdfinfo "$work/ours.pdf" | awk '/^Pages:/ {print $2}')
lopages=$(pdfinfo "$work/lo/doc300.pdf" | awk '/^Pages:/ {print $2}')
echo "document: $(stat -c %s "$doc") bytes of RTF; our PDF $pages pages, LibreOffice's $lopages; $rounds rounds, medians"
printf '%-34s %9s %9s %7s\n' "job" "ours s" "peer s" "ratio"
printf '%-34s %9s %9s %7.2f\n' "RTF -> PDF (LibreOffice)" "$a" "$b" "$(echo "$a / $b" | bc -l)"
printf '%-34s %9s %9s %7.2f\n' "RTF -> text (pandoc)" "$c" "$d" "$(echo "$c / $d" | bc -l)"

printf '\n%-34s %9s %12s %8s\n' "RTF -> .tpf" "pages" "peak RSS MB" "s"
for n in 30 300 1000; do
    /usr/bin/time -v "$program" --convert "$work/doc$n.rtf" "$work/p$n.tpf" 2> "$work/time$n" >/dev/null
    rss=$(awk -F': ' '/Maximum resident/ {printf "%.0f", $2 / 1024}' "$work/time$n")
    wall=$(awk -F': ' '/Elapsed \(wall clock\)/ {print $2}' "$work/time$n")
    frames=$(python3 -c "import sys; d=open(sys.argv[1],'rb').read(); print(d.count(b'\x21\xf9\x04'))" "$work/p$n.tpf")
    printf '%-34s %9s %12s %8s\n' "doc$n.rtf" "$frames" "$rss" "$wall"
done
