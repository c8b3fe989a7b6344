#!/usr/bin/env bash
# Times whole runs of the program on large inputs: one paragraph of 4, 8 and 16 MB and
# 1 000 000 short paragraphs, each through --convert to .txt and .rtf, --stats and --pages; and
# two long paragraphs of many formatted runs (100 000 to 800 000 characters) to the picture PDF.
# Prints one line per case: wall seconds, CPU seconds and peak memory. Goal: every case under
# 10 s of wall time on an idle machine, and the time growing with the size, not faster.
#
#   bench/large.sh [PROGRAM] [LIMIT]   (default build/scrivelle; LIMIT seconds per run, 600)
set -uo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
program=$(realpath "${1:-$here/build/scrivelle}")
limit=${2:-600}
[ -x "$program" ] || { echo "no program at $program: build it first" >&2; exit 1; }
work=$(mktemp -d); trap 'rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=offscreen HOME="$work/home"; mkdir -p "$HOME"

python3 - "$work" <<'PY'
import os, sys
w = sys.argv[1]
for mb in (4, 8, 16):
    with open(os.path.join(w, 'paragraph%dm.rtf' % mb), 'wb') as f:
        f.write(b'{\\rtf1\\ansi ' + b'word ' * (mb * 1024 * 1024 // 5) + b'}')
with open(os.path.join(w, 'paragraphs1m.rtf'), 'wb') as f:
    f.write(b'{\\rtf1\\ansi ' + b'line\\par\n' * 1000000 + b'}')
# Runs alternate bold, another size and plain text, a few words each.
for k in (100, 200, 400, 800):
    run = b'{\\b alpha beta gamma delta } {\\fs24 epsilon zeta eta theta } iota kappa lambda mu '
    para = run * (k * 1000 // 69)
    with open(os.path.join(w, 'runs%dk.rtf' % k), 'wb') as f:
        f.write(b'{\\rtf1\\ansi\\fs20 ' + para + b'\\par ' + para + b'\\par}')
PY

case_run() { # NAME ARGS...
    local name=$1
    shift
    /usr/bin/time -f '%e %U %S %M' -o "$work/time" timeout "$limit" "$program" "$@" \
        >/dev/null 2>"$work/err"
    local rc=$?
    read -r wall user sys peak <"$work/time" 2>/dev/null || true
    if [ "$rc" -eq 124 ]; then
        printf '%-34s stopped after %s s\n' "$name" "$limit"
    elif [ "$rc" -ne 0 ]; then
        printf '%-34s exit %s: %s\n' "$name" "$rc" "$(grep -v XDG_RUNTIME "$work/err" | tail -n 1)"
    else
        printf '%-34s %6.1f s wall %6.1f s cpu %7d MB\n' "$name" "$wall" \
            "$(echo "$user + $sys" | bc)" "$((peak / 1024))"
    fi
}

for input in paragraph4m paragraph8m paragraph16m paragraphs1m; do
    case_run "$input --convert .txt" --convert "$work/$input.rtf" "$work/out.txt"
    case_run "$input --convert .rtf" --convert "$work/$input.rtf" "$work/out.rtf"
    case_run "$input --stats" --stats "$work/$input.rtf"
    case_run "$input --pages" --pages "$work/$input.rtf"
done
for input in runs100k runs200k runs400k runs800k; do
    case_run "$input --convert .pdf" --convert "$work/$input.rtf" "$work/out.pdf"
done
