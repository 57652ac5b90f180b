# Shared by the UI tests: a virtual display, a Wine prefix of their own (they
# change its DPI, colour mode and browser), sessions of a program and the
# driver, counted checks.
#
# Every wait is bounded: the driver's waits have timeouts, and a program that
# is still running after its session is reported and ended with its prefix.
set -u
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1600x1200x24" bash "$0" "$@"
fi

ui_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
W=$ui_root/tools/wine-run.sh
export ZIVR_WINEPREFIX=${ZIVR_UI_WINEPREFIX:-$ui_root/build/wine-ui}
"$W" --prefix >/dev/null || exit 1

failures=0 passes=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then passes=$((passes + 1)); else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
finish() {
  "$W" --stop
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}

reg_dword() { "$W" reg add "$1" /v "$2" /t REG_DWORD /d "$3" /f >/dev/null 2>&1; }
# The prefix's DPI; Wine reads it when a program starts.
set_dpi() { reg_dword 'HKCU\Control Panel\Desktop' LogPixels "$1"; }
# The user's app mode: dark 1 or 0.
set_dark() {
  reg_dword 'HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize' \
    AppsUseLightTheme "$((1 - $1))"
}

# session OUT "DRIVER COMMANDS" PROGRAM ARGS...: starts the program, runs the
# driver on it, then waits (at most 20 s) for the program to end. Sets
# $drive_out, $drive_rc and $rc (124 when the program did not end); the
# program's output is in OUT.
session() {
  local out=$1 commands=$2
  shift 2
  "$W" "$@" >"$out" 2>&1 &
  local pid=$!
  # Windows programs end their lines with CR LF.
  drive_out=$("$W" "$DRIVER" "$commands" 2>&1 | tr -d '\r'; exit "${PIPESTATUS[0]}")
  drive_rc=$?
  local i
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.2
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "a program did not end: $*"
    "$W" --stop >/dev/null 2>&1
    wait "$pid" 2>/dev/null
    rc=124
  else
    wait "$pid"
    rc=$?
  fi
  if [ "$drive_rc" -ne 0 ]; then echo "$drive_out"; fi
}

contains() { grep -qF -- "$2" "$1"; }
