#!/usr/bin/env bash
# Makes a virtual "PDF" printer available for the printing tests: starts the CUPS scheduler when
# it is not running and adds a queue on the cups-pdf backend whose files land in one known
# folder. Safe to run again. Needs root (or sudo) and Debian's cups, cups-bsd and
# printer-driver-cups-pdf; without them it says so and returns 0, and the tests skip.
set -uo pipefail

out=${SCV_PDF_OUT:-/var/spool/cups-pdf/scrivelle}
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo -n)

if ! command -v cupsd >/dev/null || ! command -v lpadmin >/dev/null \
        || [ ! -e /usr/lib/cups/backend/cups-pdf ]; then
    echo "printer.sh: CUPS or cups-pdf is not installed; printing tests will skip"
    exit 0
fi

# Every job, whoever sends it, is written to one folder the tests can read.
conf=/etc/cups/cups-pdf.conf
if [ -f "$conf" ]; then
    "${as_root[@]}" mkdir -p "$out"
    "${as_root[@]}" chmod 0777 "$out"
    if ! grep -q "^Out $out\$" "$conf"; then
        "${as_root[@]}" sed -i -e '/^Out /d' -e '/^AnonDirName /d' "$conf"
        printf 'Out %s\nAnonDirName %s\n' "$out" "$out" | "${as_root[@]}" tee -a "$conf" >/dev/null
    fi
fi

if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    "${as_root[@]}" cupsd || { echo "printer.sh: cupsd did not start"; exit 0; }
    for _ in $(seq 1 50); do
        lpstat -r 2>/dev/null | grep -q "is running" && break
        sleep 0.1
    done
fi

if ! lpstat -p PDF >/dev/null 2>&1; then
    ppd=$(ls /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd /usr/share/ppd/cups-pdf/*.ppd 2>/dev/null \
          | head -n 1)
    if [ -n "$ppd" ]; then
        "${as_root[@]}" lpadmin -p PDF -E -v cups-pdf:/ -P "$ppd"
    else
        "${as_root[@]}" lpadmin -p PDF -E -v cups-pdf:/ -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd
    fi
    "${as_root[@]}" cupsenable PDF 2>/dev/null || true
    "${as_root[@]}" cupsaccept PDF 2>/dev/null || true
fi
lpstat -p PDF
echo "printer.sh: PDF files go to $out"
