#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while (60 s unless given): the RTF
# reader, the whole load (RTF and .rtc into the engine, laid out and paginated) and the INI
# reader. Crash files go to build-fuzz/artifacts/, never into the source tree.
# A run is repeatable: the mutation seed is fixed (FUZZ_SEED, 1 unless given) and each target
# runs a fixed number of inputs (about SECONDS on this kind of machine; a slower machine stops at
# four times SECONDS), so the same command gives the same inputs anywhere and a finding
# reproduces. Explore with FUZZ_SEED=0 (a fresh random seed) and long runs.
# Usage: [FUZZ_SEED=N] scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
seed=${FUZZ_SEED:-1}
# The reader target also checks that write, read, write gives the same bytes. A repeatable run
# (CI) checks crashes and memory errors only, unless FUZZ_FIXED_POINT=1; exploring checks both.
if [ "$seed" = 0 ]; then fixed=${FUZZ_FIXED_POINT:-1}; else fixed=${FUZZ_FIXED_POINT:-0}; fi
export SCRIVELLE_FUZZ_FIXED_POINT=$fixed
cap=$(( seconds * 4 ))
CXX=clang++-14 CC=clang-14 cmake -S . -B build-fuzz -G Ninja -DSCRIVELLE_FUZZ=ON \
    -DSCRIVELLE_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-fuzz --target fuzz_rtfreader fuzz_load fuzz_profile fuzz_history
artifacts="$PWD/build-fuzz/artifacts/"
mkdir -p "$artifacts"
export QT_QPA_PLATFORM=offscreen
export UBSAN_OPTIONS=print_stacktrace=1

seeds=$(mktemp -d)
trap 'rm -rf "$seeds"' EXIT
mkdir -p "$seeds/rtf" "$seeds/ini" "$seeds/history"
# A repeatable run starts from the project's own RTF data files only, so adding a fuzz finding to
# tests/data/rtf/fuzz (which the reader's tests check) does not change the next run's inputs.
# Exploring also starts from the findings and from the shared corpus when it is there.
cp tests/data/rtf/*.rtf "$seeds/rtf/"
if [ "$seed" = 0 ]; then
    cp tests/data/rtf/fuzz/* "$seeds/rtf/"
    cp ../shared/corpus/rtf/*.rtf "$seeds/rtf/" 2>/dev/null || true
fi
printf '[Font Name]\r\nName=Courier New\r\n[Page View]\r\nEditor Colour=0x00F4DEB9\r\n' > "$seeds/ini/seed.ini"
printf '/home/a/Report.rtf\r\n\r\nC:\\x\\b.txt\n/c.rtc\r' > "$seeds/history/seed.dat"

# Runs one target; on a finding, prints the sanitizer's whole report rather than the last lines.
run() {
    local name=$1
    shift
    local log="$artifacts/$name.log"
    if "$@" >"$log" 2>&1; then
        grep -v "libpng\|XDG_RUNTIME" "$log" | tail -n 8
    else
        local status=$?
        grep -m1 "Seed:" "$log" || true
        grep -v "libpng\|XDG_RUNTIME" "$log" | grep -m1 -A60 "ERROR:\|runtime error\|deadly signal\|fixed point\|refused what" || tail -n 40 "$log"
        # The input itself, so that a finding on another machine can be reproduced from the log.
        local unit
        unit=$(ls -t "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-* 2>/dev/null | head -n 1 || true)
        if [ -n "$unit" ]; then
            echo "input ($(stat -c %s "$unit") bytes, base64):"
            head -c 32768 "$unit" | base64 -w 100
        fi
        return $status
    fi
}

run rtfreader ./build-fuzz/tests/fuzz/fuzz_rtfreader -seed="$seed" -runs=$(( seconds * 150 )) -max_total_time=$cap -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" "$seeds/rtf"
# The whole load goes through Qt's font system, whose caches (fontconfig) live to the end of
# the process: leak reports there are not ours, so this target checks memory errors only.
ASAN_OPTIONS=detect_leaks=0 run load ./build-fuzz/tests/fuzz/fuzz_load -seed="$seed" -runs=$(( seconds * 50 )) -max_total_time=$cap -max_len=16384 \
    -timeout=20 -detect_leaks=0 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts" "$seeds/rtf"
run profile ./build-fuzz/tests/fuzz/fuzz_profile -seed="$seed" -runs=$(( seconds * 1000 )) -max_total_time=$cap -max_len=4096 \
    -timeout=10 -artifact_prefix="$artifacts" "$seeds/ini"
run history ./build-fuzz/tests/fuzz/fuzz_history -seed="$seed" -runs=$(( seconds * 1000 )) -max_total_time=$cap -max_len=4096 \
    -timeout=10 -artifact_prefix="$artifacts" "$seeds/history"
echo "fuzzing: no crash, leak or sanitizer report"
