#!/usr/bin/env bash
# The wizard's cost beside the silent run, under Wine and Xvfb, in a prefix of
# its own with one server kept running: a fresh installation of the demo
# product with `/AUTO` (the window: progress and finish pages, closes by
# itself) against the same with `/AUTO /SILENT`, alternating, each followed by
# a silent removal. For every run the wall time and, from its `/LOG`, the
# installation itself (the first action's start to the last action's end) and
# the program's span (its first log line to its exit code). Medians.
#
#   bash bench/wizard/run.sh [BUILD_DIR] [ROUNDS]     (default build/win64, 7)
#
# Without a display it starts itself again under `xvfb-run -a`. Xvfb has no
# window manager, and Wine waits up to 2 s for one to acknowledge every
# unmapping of a window it manages (the wizard's hiding on close):
# ZIVR_BENCH_UNMANAGED=1 turns Wine's window management off in the bench's
# prefix (X11 driver setting "Managed"=N) to show the run without that wait.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build/win64}
rounds=${2:-7}
if [[ -z ${DISPLAY:-} ]]; then
  command -v xvfb-run >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q xvfb >/dev/null
  exec xvfb-run -a bash "${BASH_SOURCE[0]}" "$build" "$rounds"
fi
setup=$build/Setup.exe
[[ -e $setup ]] || { echo "missing $setup: build win64 first" >&2; exit 1; }

export ZIVR_WINEPREFIX=${ZIVR_WINEPREFIX:-$root/build/wine-bench-wizard}
wine=$root/tools/wine-run.sh
prefix=$("$wine" --prefix)
drive=$prefix/drive_c
"$wine" --persist
trap '"$wine" --kill' EXIT
managed=Y
[[ ${ZIVR_BENCH_UNMANAGED:-0} == 1 ]] && managed=N
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1

work=$root/build/bench-wizard
rm -rf "$work" && mkdir -p "$work" "$drive/bench-wizard-logs"
dest='C:\bench-wizard'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'

now_ms() { date +%s%3N; }
# The silent removal hands over to a copy in the temporary folder and returns
# at once: wait until the files are gone, then forget whatever is left.
reset() {
  if [[ -e $drive/bench-wizard/Uninstall.exe ]]; then
    "$wine" "$dest\\Uninstall.exe" /AUTO /SILENT >/dev/null 2>&1 || true
    local i
    for ((i = 0; i < 600; i++)); do [[ -e $drive/bench-wizard/Uninstall.exe ]] || break; sleep 0.05; done
    sleep 1 # the copy in the temporary folder finishes
  fi
  rm -rf "$drive/bench-wizard"
  "$wine" reg delete "$uninstall_key" /f >/dev/null 2>&1 || true
}
# log_spans LOG: "ACTIONS PROGRAM START END" in ms from the log's time stamps:
# the first action's start to the last action's end, the first line to the
# exit code, the first line to the first action, the last action to the exit
# code.
log_spans() {
  tr -d '\r' <"$1" | awk '
    function ms(d, t,  a) { split(t, a, ":"); return (a[1] * 3600 + a[2] * 60 + a[3]) * 1000 }
    NR == 1 { first = ms($1, $2) }
    / Action [A-Za-z]+: start$/ && !a0 { a0 = ms($1, $2) }
    / Action [A-Za-z]+: done in / { a1 = ms($1, $2) }
    / Exit code / { last = ms($1, $2) }
    END { printf "%d %d %d %d\n", a1 - a0, last - first, a0 - first, last - a1 }'
}
run() { # KIND ARGS...
  local kind=$1 n=$2 log=$drive/bench-wizard-logs/$1-$2.txt t0 t1 rc
  shift 2
  reset
  rm -f "$log"
  t0=$(now_ms)
  rc=0
  "$wine" "$setup" "/AUTO=$dest" "$@" "/LOG=C:\\bench-wizard-logs\\$kind-$n.txt" >"$work/$kind.out" 2>&1 || rc=$?
  t1=$(now_ms)
  ((rc == 0)) || { echo "run.sh: $kind run $n exited $rc" >&2; cat "$work/$kind.out" >&2; exit 1; }
  [[ -f $drive/bench-wizard/ZIVR.exe ]] || { echo "run.sh: $kind run $n installed nothing" >&2; exit 1; }
  local want="flags: AUTO;"
  [[ " $* " == *" /SILENT "* ]] && want="flags: AUTO SILENT;"
  grep -q "$want" "$log" || { echo "run.sh: $kind run $n: no \"$want\" in its log" >&2; exit 1; }
  echo $((t1 - t0)) >>"$work/$kind-wall"
  read -r actions program start end < <(log_spans "$log")
  echo "$actions" >>"$work/$kind-actions"
  echo "$program" >>"$work/$kind-program"
  echo "$start" >>"$work/$kind-start"
  echo "$end" >>"$work/$kind-end"
}
median() { sort -n "$1" | awk '{ a[NR] = $1 } END { printf "%.0f", a[int((NR + 1) / 2)] }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

load_start=$(cut -d' ' -f1-3 /proc/loadavg)
# A warm-up of each (prefix, desktop process, DLLs in the page cache).
run wizard 0 && run silent 0 /SILENT
rm -f "$work"/*-wall "$work"/*-actions "$work"/*-program "$work"/*-start "$work"/*-end
for ((r = 1; r <= rounds; r++)); do
  if ((r % 2)); then run wizard "$r" && run silent "$r" /SILENT; else run silent "$r" /SILENT && run wizard "$r"; fi
done
reset

echo "under Wine and Xvfb (windows managed: $managed), $rounds rounds, medians (ms); load average $load_start before, $(cut -d' ' -f1-3 /proc/loadavg) after"
printf '  %-40s %7s %7s %7s\n' "" "/AUTO" "silent" "ratio"
for k in wall program actions start end; do
  case $k in
    wall) label="wall time" ;;
    program) label="program: log's first line to exit code" ;;
    actions) label="the installation: first action to last" ;;
    start) label="log's first line to first action" ;;
    end) label="last action to exit code" ;;
  esac
  w=$(median "$work/wizard-$k") s=$(median "$work/silent-$k")
  printf '  %-40s %7s %7s %6s×\n' "$label" "$w" "$s" "$(ratio "$w" "$s")"
done
echo "  every run (wall/program/installation/to first action/after last action):"
for kind in wizard silent; do
  printf '    %-7s' "$kind"
  paste -d/ "$work/$kind-wall" "$work/$kind-program" "$work/$kind-actions" "$work/$kind-start" "$work/$kind-end" | tr '\n' ' '
  echo
done
echo "  logs: $drive/bench-wizard-logs"
