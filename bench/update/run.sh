#!/usr/bin/env bash
# The update's safety net beside what it guards, under Wine, in a prefix of
# its own with one server kept running:
# - the silent installation of the demo product (fresh, into an empty folder)
#   and the silent update of the 5.30 fixture, timed whole with hyperfine;
# - the free-space check and the marker of each, timed in the process by
#   bench/win/update_restore.exe, as a share of that installation (goal:
#   under 2 %);
# - the 5.30 copy's backup beside its restore after a failed update (goal:
#   the restore takes no longer than the backup; each round times both in one
#   process, and the median of the rounds' ratios is printed beside the ratio
#   of the medians).
# The three alternate from round to round; figures are medians.
#
#   bash bench/update/run.sh [BUILD_DIR] [ROUNDS]     (default build/win64, 10)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build/win64}
rounds=${2:-10}
setup=$build/Setup.exe
probe=$build/bench/win/update_restore.exe
fixture=$root/demo/fixtures/v5300-peruser
for f in "$setup" "$probe" "$build/demo/stage/product"; do
  [[ -e $f ]] || { echo "missing $f: build win64 first" >&2; exit 1; }
done
command -v hyperfine >/dev/null ||
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q hyperfine >/dev/null

export ZIVR_WINEPREFIX=${ZIVR_WINEPREFIX:-$root/build/wine-bench}
unset DISPLAY
wine=$root/tools/wine-run.sh
prefix=$("$wine" --prefix)
drive=$prefix/drive_c
appdata=$drive/users/$(id -un)/AppData/Roaming
"$wine" --persist
trap '"$wine" --kill' EXIT

work=$root/build/bench-update
rm -rf "$work" && mkdir -p "$work"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'

timed() { # FILE COMMAND... : one run, its wall time in ms appended to FILE
  hyperfine -N --runs 1 --style none --export-json "$work/last.json" -- "${*:2}" >/dev/null 2>&1 ||
    { echo "run.sh: failed: ${*:2}" >&2; exit 1; }
  python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["times"][0] * 1000)' \
    "$work/last.json" >>"$1"
}
fresh_clean() {
  rm -rf "$drive/bench-fresh"
  "$wine" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
}
update_place() {
  rm -rf "$drive/bench-update" "$appdata/ZIVR"
  cp -r "$fixture/Program" "$drive/bench-update"
  mkdir -p "$appdata" && cp -r "$fixture/AppData/." "$appdata/"
  "$wine" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
}
median() { sort -n "$1" | awk '{ a[NR] = $1 } END { printf "%.1f", a[int((NR + 1) / 2)] }'; }

fixture_win=$("$wine" winepath -w "$fixture" 2>/dev/null)
product_win=$("$wine" winepath -w "$build/demo/stage/product" 2>/dev/null)
load_start=$(cut -d' ' -f1-3 /proc/loadavg)
# A warm-up of each (prefix, DLLs in the page cache).
fresh_clean && "$wine" "$setup" '/AUTO=C:\bench-fresh' /SILENT
"$wine" "$probe" "$fixture_win" "$product_win" 'C:\bench-probe' 1 >/dev/null
for ((r = 1; r <= rounds; r++)); do
  steps=(fresh update probe)
  ((r % 2)) || steps=(probe update fresh)
  for s in "${steps[@]}"; do
    case $s in
      fresh) fresh_clean && timed "$work/fresh" "$wine" "$setup" '/AUTO=C:\bench-fresh' /SILENT ;;
      update) update_place && timed "$work/update" "$wine" "$setup" '/AUTO=C:\bench-update' /SILENT ;;
      probe)
        "$wine" "$probe" "$fixture_win" "$product_win" 'C:\bench-probe' 1 >"$work/probe.txt"
        for k in guard-fresh-ms guard-update-ms backup-ms restore-ms; do
          sed -n "s/^$k //p" "$work/probe.txt" >>"$work/$k"
        done ;;
    esac
  done
done
fresh_clean
rm -rf "$drive/bench-update" "$appdata/ZIVR"

fresh=$(median "$work/fresh") update=$(median "$work/update")
gf=$(median "$work/guard-fresh-ms") gu=$(median "$work/guard-update-ms")
backup=$(median "$work/backup-ms") restore=$(median "$work/restore-ms")
echo "under Wine, $rounds rounds, medians (ms); load average $load_start before, $(cut -d' ' -f1-3 /proc/loadavg) after"
printf '  silent fresh installation %10s   free-space check + marker %6s  (%s %%, goal < 2 %%)\n' \
  "$fresh" "$gf" "$(awk -v a="$gf" -v b="$fresh" 'BEGIN { printf "%.2f", 100 * a / b }')"
printf '  silent update of 5.30     %10s   free-space check + marker %6s  (%s %%, goal < 2 %%)\n' \
  "$update" "$gu" "$(awk -v a="$gu" -v b="$update" 'BEGIN { printf "%.2f", 100 * a / b }')"
# Each round's backup and restore share one process, so the machine's load
# weighs on both alike: the median of the rounds' ratios is the steadier figure.
paste "$work/restore-ms" "$work/backup-ms" | awk '{ printf "%.4f\n", $1 / $2 }' >"$work/ratio"
printf '  5.30 copy: backup %s, restore %s (ratio %s; median of the rounds'"'"' ratios %s; goal at most 1)\n' \
  "$backup" "$restore" "$(awk -v a="$restore" -v b="$backup" 'BEGIN { printf "%.2f", a / b }')" \
  "$(median "$work/ratio" | awk '{ printf "%.2f", $1 }')"
