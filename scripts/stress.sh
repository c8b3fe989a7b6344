#!/usr/bin/env bash
# Runs the program against large and hostile inputs and the faults of saving (a full disk, kills
# during saves, concurrent saves, symbolic links, pipes), printing one line per case:
# "ok   CASE  detail" or "FAIL CASE  detail". Exits non-zero when a case failed.
# The full-disk cases need root (they mount a small tmpfs); they are skipped otherwise.
# --short runs every case with the large inputs a quarter to a fifth of their size (a 4 MB
# paragraph, 200 000 paragraphs), in a few minutes; continuous integration runs it so.
# Usage: scripts/stress.sh [--short] [PROGRAM]   (default build/scrivelle)
set -uo pipefail
cd "$(dirname "$0")/.."
short=0
if [ "${1:-}" = --short ]; then
    short=1
    shift
fi
bin=$(realpath "${1:-build/scrivelle}")
export QT_QPA_PLATFORM=offscreen
work=$(mktemp -d)
mnt="$work/mnt"
cleanup() {
    mountpoint -q "$mnt" 2>/dev/null && umount "$mnt"
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
report() { # STATUS CASE DETAIL
    printf '%-4s %-44s %s\n' "$1" "$2" "$3"
    [ "$1" = ok ] || [ "$1" = skip ] || failures=$((failures + 1))
}
# Runs the program with a time limit; sets rc, secs, peak (KB) and err.
run() {
    local limit=$1
    shift
    local start=$(date +%s.%N)
    /usr/bin/time -f '%M' -o "$work/peak" timeout "$limit" "$bin" "$@" >"$work/out" 2>"$work/err"
    rc=$?
    secs=$(echo "$(date +%s.%N) - $start" | bc)
    peak=$(tail -n 1 "$work/peak" 2>/dev/null)
    err=$(grep -v XDG_RUNTIME "$work/err" | tail -n 1)
}
expect_error() { # CASE LIMIT ARGS... : must end within LIMIT with an error message, no crash
    local name=$1 limit=$2
    shift 2
    run "$limit" "$@"
    if [ "$rc" -eq 1 ] && [ -n "$err" ]; then
        report ok "$name" "$(printf '%.1f s, %s KB: %s' "$secs" "$peak" "$err")"
    else
        report FAIL "$name" "exit $rc after $(printf '%.1f' "$secs") s: $err"
    fi
}
expect_success() { # CASE LIMIT ARGS...
    local name=$1 limit=$2
    shift 2
    run "$limit" "$@"
    if [ "$rc" -eq 0 ]; then
        report ok "$name" "$(printf '%.1f s, %s KB' "$secs" "$peak")"
    else
        report FAIL "$name" "exit $rc after $(printf '%.1f' "$secs") s: $err"
    fi
}

# ---- inputs --------------------------------------------------------------------------------
python3 - "$work" "$short" <<'PY'
import os, random, sys, zlib
w = sys.argv[1]
short = sys.argv[2] == '1'
paragraph_mb = 4 if short else 16
paragraphs = 200000 if short else 1000000
random.seed(1)
def put(name, data):
    open(os.path.join(w, name), 'wb').write(data)
put('letter.rtf', b'{\\rtf1\\ansi ' + b'A letter of some length.\\par\n' * 4000 + b'}')
random.seed(3)
put('short.rtf', b'{\\rtf1\\ansi ' + b''.join(b'%x\\par\n' % random.getrandbits(96) for _ in range(900)) + b'}')
put('nested.rtf', b'{\\rtf1 ' + b'{' * 1000000 + b'x' + b'}' * 1000000 + b'}')
put('bin.rtf', b'{\\rtf1 {\\pict\\bin2147483647 abc}}')
put('uc.rtf', b'{\\rtf1\\uc2147483647 \\u65 abc}')
put('nul.rtf', b'{\\rtf1\\ansi a\\u0 b\\\'00c}')
random.seed(7)
put('random.rtf', bytes(random.getrandbits(8) for _ in range(200000)))
put('paragraph.rtf', b'{\\rtf1\\ansi ' + b'word ' * (paragraph_mb * 1024 * 1024 // 5) + b'}')
put('toolarge.rtf', b'{\\rtf1\\ansi ' + b'word ' * (20 * 1024 * 1024 // 5) + b'}')
put('paragraphs.rtf', b'{\\rtf1\\ansi ' + b'line\\par\n' * paragraphs + b'}')
put('paragraphs.txt', b'line\r\n' * paragraphs)
c = zlib.compressobj(9)
bomb = c.compress(b'{\\rtf1 ') + b''.join(c.compress(b'a' * (1 << 20)) for _ in range(256)) \
    + c.compress(b'}') + c.flush()
put('bomb.rtc', bomb)
c = zlib.compressobj(9)
markup = c.compress(b'{\\rtf1 ') + b''.join(c.compress(b'{}' * (1 << 19)) for _ in range(512)) \
    + c.compress(b'}') + c.flush()
put('markupbomb.rtc', markup)
good = zlib.compress(b'{\\rtf1\\ansi ' + b'compressed text ' * 5000 + b'}', 1)
put('cut.rtc', good[:len(good) // 2])
put('bom.rtc', zlib.compress(b'\xef\xbb\xbf{\\rtf1 marked}', 1))
put('plain.rtc', zlib.compress(b'first line\nsecond line\n', 1))
PY

# ---- hostile and large inputs ----------------------------------------------------------------
expect_success "nesting a million deep" 60 --convert "$work/nested.rtf" "$work/o.txt"
expect_success "huge \\bin" 60 --convert "$work/bin.rtf" "$work/o.txt"
expect_success "huge \\uc" 60 --convert "$work/uc.rtf" "$work/o.txt"
run 60 --convert "$work/nul.rtf" "$work/nul.txt"
if [ "$rc" -eq 0 ] && ! grep -qaP '\x00' "$work/nul.txt"; then report ok "\\u0 and \\'00 give no NUL" "$(cat "$work/nul.txt")"
else report FAIL "\\u0 and \\'00 give no NUL" "exit $rc"; fi
run 60 --convert "$work/random.rtf" "$work/o.rtf"
[ "$rc" -le 1 ] && report ok "random bytes" "exit $rc" || report FAIL "random bytes" "exit $rc"
if [ "$short" -eq 1 ]; then mb=4; count="200 000"; else mb=16; count="1 000 000"; fi
expect_success "one $mb MB paragraph to .rtf" 120 --convert "$work/paragraph.rtf" "$work/o.rtf"
expect_success "one $mb MB paragraph, --pages" 300 --pages "$work/paragraph.rtf"
expect_error "20 MB paragraph: past the limit" 120 --convert "$work/toolarge.rtf" "$work/o.rtf"
expect_success "$count paragraphs to .rtf" 120 --convert "$work/paragraphs.rtf" "$work/o.rtf"
expect_success "$count lines of .txt to .rtc" 120 --convert "$work/paragraphs.txt" "$work/o.rtc"
expect_success "$count paragraphs, --stats" 300 --stats "$work/paragraphs.rtf"
expect_success "$count paragraphs, --pages" 300 --pages "$work/paragraphs.rtf"
expect_error ".rtc inflating to 256 MB of text" 120 --convert "$work/bomb.rtc" "$work/o.rtf"
expect_error ".rtc inflating to 512 MB of markup" 300 --convert "$work/markupbomb.rtc" "$work/o.rtf"
expect_error ".rtc cut in half" 30 --convert "$work/cut.rtc" "$work/o.rtf"
run 30 --convert "$work/bom.rtc" "$work/bom.txt"
[ "$rc" -eq 0 ] && grep -q marked "$work/bom.txt" && report ok ".rtc of RTF after a byte-order mark" "" \
    || report FAIL ".rtc of RTF after a byte-order mark" "exit $rc"
run 30 --convert "$work/plain.rtc" "$work/plain.txt"
[ "$rc" -eq 0 ] && grep -q "first line" "$work/plain.txt" && report ok ".rtc of plain text" "" \
    || report FAIL ".rtc of plain text" "exit $rc"
mkfifo "$work/pipe.rtf"
expect_error "a named pipe as input" 10 --convert "$work/pipe.rtf" "$work/o.txt"
expect_error "a folder as input" 10 --convert "$work" "$work/o.txt"
expect_error "an output name not valid UTF-8" 30 --convert "$work/letter.rtf" "$work/out$(printf '\xff').rtf"
# No .rtf under any name that starts so (the runs' standard output is kept in $work/out).
[ -z "$(ls "$work" | grep '^out.*\.rtf$')" ] || report FAIL "an output name not valid UTF-8" "a file was written"
expect_error "margins that leave no room" 30 --pages "$work/letter.rtf" --margins 150,10,150,10

# ---- saving under faults -----------------------------------------------------------------------
"$bin" --convert "$work/letter.rtf" "$work/ref.rtf" 2>/dev/null
# Symbolic link where the old .rtc save put its scratch copy.
echo "must not change" >"$work/victim"
ln -s "$work/victim" "$work/linked.rtc.tmp"
run 30 --convert "$work/letter.rtf" "$work/linked.rtc"
[ "$rc" -eq 0 ] && [ "$(cat "$work/victim")" = "must not change" ] \
    && report ok ".rtc save beside a symbolic link" "" || report FAIL ".rtc save beside a symbolic link" "exit $rc"
# Concurrent saves to one name: the result is one complete document.
for ext in rtf rtc txt; do
    "$bin" --convert "$work/letter.rtf" "$work/ref.$ext" 2>/dev/null
    "$bin" --convert "$work/letter.rtf" "$work/same.$ext" 2>/dev/null &
    "$bin" --convert "$work/letter.rtf" "$work/same.$ext" 2>/dev/null &
    wait
    cmp -s "$work/ref.$ext" "$work/same.$ext" && report ok "two saves at once to .$ext" "" \
        || report FAIL "two saves at once to .$ext" "the file differs from a single save"
done
# Killed while saving: the target is the old file or the new one, never a mix.
for ext in rtf rtc txt pdf; do
    echo "old" >"$work/killed.$ext"
    "$bin" --convert "$work/paragraphs.rtf" "$work/killed.$ext" 2>/dev/null &
    pid=$!
    sleep $((short ? 1 : 3))
    kill -9 "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ "$(cat "$work/killed.$ext")" = "old" ]; then report ok "killed while saving .$ext" "old file kept"
    else report ok "killed while saving .$ext" "finished before the kill"; fi
done
# A nearly full disk: the save fails and the old file stays byte for byte, or the file fits and
# is whole (the size of the same save on a roomy disk).
if [ "$(id -u)" -eq 0 ] && mkdir -p "$mnt" && mount -t tmpfs -o size=256k tmpfs "$mnt" 2>/dev/null; then
    for ext in rtf txt doc rtc pdf tpf; do
        "$bin" --convert "$work/short.rtf" "$work/fits.$ext" 2>/dev/null
        rooms="0 4 16 20"
        case $ext in pdf|tpf) rooms="0 16" ;; esac
        for room in $rooms; do
            rm -f "$mnt"/* "$mnt"/.[!.]* 2>/dev/null
            echo "old contents" >"$mnt/doc.$ext"
            head -c $(( (256 - room) * 1024 - 4096 )) /dev/zero >"$mnt/fill" 2>/dev/null
            run 120 --convert "$work/short.rtf" "$mnt/doc.$ext"
            left=$(ls -A "$mnt" | wc -l)
            if [ "$rc" -ne 0 ] && [ "$(cat "$mnt/doc.$ext")" = "old contents" ] && [ "$left" -eq 2 ]; then
                report ok "full disk, .$ext, $room KB free" "$err"
            elif [ "$rc" -eq 0 ] && [ "$(stat -c %s "$mnt/doc.$ext")" = "$(stat -c %s "$work/fits.$ext")" ]; then
                report ok "full disk, .$ext, $room KB free" "fitted whole"
            else
                report FAIL "full disk, .$ext, $room KB free" "exit $rc, $left files, $(head -c 20 "$mnt/doc.$ext" | tr -c '[:print:]' .)"
            fi
        done
    done
    umount "$mnt"
else
    report skip "full disk" "needs root and tmpfs"
fi
echo "stress: $failures failed"
[ "$failures" -eq 0 ]
