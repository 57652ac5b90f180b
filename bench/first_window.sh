#!/usr/bin/env bash
# Time to the first visible window under Wine: the real Setup.exe (its
# language dialog) against a trivial Win32 program that only shows a window,
# side by side, N runs each (default 10), in a warm prefix of its own with a
# virtual display. Prints the median and minimum of each and their ratio.
#
#   bash bench/first_window.sh [BUILD_DIR] [N]     (default build/win64, 10)
set -uo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build/win64}
runs=${2:-10}
export ZIVR_UI_WINEPREFIX=${ZIVR_UI_WINEPREFIX:-$root/build/wine-bench}
. "$root/tests/ui/lib.sh"
DRIVER=$build/tests/ui/zuxdrive.exe
for f in "$build/Setup.exe" "$build/bench/win/trivial_window.exe" "$DRIVER"; do
  [ -f "$f" ] || { echo "missing $f: build win64 first"; exit 1; }
done
set_dpi 96
# The driver starts each program itself and times it from CreateProcess to the
# window, so Wine's own start-up of the driver is not counted.
setup_win=$("$W" winepath -w "$build/Setup.exe" 2>/dev/null)
trivial_win=$("$W" winepath -w "$build/bench/win/trivial_window.exe" 2>/dev/null)

measure() { # SPEC CLOSING COMMAND-LINE -> one time in ms
  "$W" "$DRIVER" "launch $1 20000 $3; $2" 2>/dev/null | sed -n 's/^first-window-ms //p'
}

stats() { sort -n | awk '{ a[NR] = $1 } END { printf "%.1f %.1f", a[int((NR + 1) / 2)], a[1] }'; }

# Setup.exe goes on to its wizard; closing that asks first.
setup_closing="close; window WizardForm 30000; close; window MessageDialog; click OK; gone"

# One warm-up run of each (prefix, fonts, DLLs in the page cache).
measure LanguageDialog "$setup_closing" "\"$setup_win\"" >/dev/null
measure TrivialWindow "close" "\"$trivial_win\"" >/dev/null
setup_times=() trivial_times=()
for i in $(seq 1 "$runs"); do
  trivial_times+=("$(measure TrivialWindow "close" "\"$trivial_win\"")")
  setup_times+=("$(measure LanguageDialog "$setup_closing" "\"$setup_win\"")")
done
read -r setup_median setup_min <<<"$(printf '%s\n' "${setup_times[@]}" | stats)"
read -r trivial_median trivial_min <<<"$(printf '%s\n' "${trivial_times[@]}" | stats)"
"$W" --stop
echo "first visible window under Wine, $runs runs each (median / minimum, ms):"
printf '  %-34s %8s / %s\n' "trivial Win32 window" "$trivial_median" "$trivial_min"
printf '  %-34s %8s / %s\n' "Setup.exe (language dialog)" "$setup_median" "$setup_min"
awk -v s="$setup_median" -v t="$trivial_median" 'BEGIN { printf "  ratio (medians) %.2f (goal: at most 1.30)\n", s / t }'
