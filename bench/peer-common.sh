# Shared by the peer benchmarks (peers.sh, exports.sh): installs the Debian packages a benchmark
# needs when they are missing, and times whole processes.

# need_packages PACKAGE...: installs those that are not installed yet.
need_packages() {
    local need=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
    done
    if [ ${#need[@]} -gt 0 ]; then
        local as_root=(); [ "$(id -u)" -eq 0 ] || as_root=(sudo)
        "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
    fi
}

# Wall seconds of one run of the command.
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc -l; }
# The median of the numbers on standard input.
median() { sort -g | awk '{a[NR]=$1} END {m=(NR%2)?a[(NR+1)/2]:(a[NR/2]+a[NR/2+1])/2; printf "%.3f", m}'; }
