#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's private prefix.
#
#   tools/wine-run.sh PROGRAM.exe [ARGS...]   run it; its exit code is ours
#   tools/wine-run.sh reg query 'HKLM\...'    Wine's built-in programs work too
#   tools/wine-run.sh --prefix                create the prefix if needed, print its path
#   tools/wine-run.sh --stop                  wait for the prefix's wineserver to end
#                                             (killing it after ZIVR_WINE_STOP_TIMEOUT s)
#   tools/wine-run.sh --persist               keep a wineserver running for the prefix
#                                             (a stale one is ended first), so that no
#                                             timed run pays for starting it
#   tools/wine-run.sh --kill                  end the prefix's wineserver now
#
# This is CMAKE_CROSSCOMPILING_EMULATOR of the win64 build, so ctest runs every
# test through it, possibly several at once.
#
# Environment: ZIVR_WINEPREFIX (default <repo>/build/wine), ZIVR_WINE (the
# wine loader to use), ZIVR_WINE_LOCALE (default en_US.UTF-8: the Windows
# user locale, UI language and code pages follow it; the caller's own locale
# is ignored so results do not depend on who runs them), WINEDEBUG (default -all).
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")

export WINEPREFIX=${ZIVR_WINEPREFIX:-$root/build/wine}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko download prompts (nothing of ours needs them), and no menu
# builder: it would turn the shortcuts our tests create into desktop entries
# in the real home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"

die() { echo "wine-run.sh: $*" >&2; exit 127; }

# Debian's /usr/bin/wine is a wrapper that warns about the missing 32-bit
# loader; the 64-bit loader is all we use, so prefer it directly.
find_wine() {
  local c
  for c in "${ZIVR_WINE:-}" /usr/lib/wine/wine64 /usr/lib64/wine/wine64 \
           "$(command -v wine64 2>/dev/null)" "$(command -v wine 2>/dev/null)"; do
    [[ -n $c && -x $c ]] && { echo "$c"; return 0; }
  done
  return 1
}

find_wineserver() {
  local c dir
  dir=$(dirname "$WINE")
  for c in "$dir/wineserver64" "$dir/wineserver" /usr/lib/wine/wineserver64 \
           "$(command -v wineserver 2>/dev/null)"; do
    [[ -n $c && -x $c ]] && { echo "$c"; return 0; }
  done
  return 1
}

WINE=$(find_wine) || die "no wine loader found (install wine64)"
WINESERVER=$(find_wineserver) || die "no wineserver found (install wine64)"
export WINELOADER=$WINE WINESERVER

# Wine takes the locale from LC_ALL even when the system has not generated it;
# it is passed through env so that bash does not warn about it.
wine() { env LC_ALL="${ZIVR_WINE_LOCALE:-en_US.UTF-8}" "$WINE" "$@"; }

# The prefix is made once and shared; parallel callers wait on the lock. A
# prefix whose creation was interrupted (no marker) or that was made by an
# older recipe (marker differs) is made again.
prefix_recipe="win10 no-menubuilder no-home-links 1"
prefix_current() { [[ $(cat "$WINEPREFIX/.zivr-ready" 2>/dev/null) == "$prefix_recipe" ]]; }

ensure_prefix() {
  local ready=$WINEPREFIX/.zivr-ready
  prefix_current && return 0
  mkdir -p "$(dirname "$WINEPREFIX")" || die "cannot create $(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock" || die "cannot open $WINEPREFIX.lock"
  flock 9
  if ! prefix_current; then
    if [[ -d $WINEPREFIX ]]; then
      "$WINESERVER" -k </dev/null >/dev/null 2>&1
      "$WINESERVER" -w </dev/null >/dev/null 2>&1
    fi
    rm -rf "$WINEPREFIX"
    echo "wine-run.sh: creating Wine prefix $WINEPREFIX" >&2
    # Its chatter goes to a log, shown only when it fails.
    if ! wine wineboot -i </dev/null >"$WINEPREFIX.log" 2>&1; then
      cat "$WINEPREFIX.log" >&2
      die "wineboot -i failed"
    fi
    # Wine 8 presents itself as Windows 7 by default; we target current Windows.
    wine winecfg -v win10 </dev/null >>"$WINEPREFIX.log" 2>&1 || die "winecfg -v win10 failed"
    # Let the server write the registry out before anyone relies on it.
    "$WINESERVER" -w </dev/null >/dev/null 2>&1
    # wineboot links Desktop, Documents, ... to the real home's folders when
    # those exist; tests must write inside the prefix only.
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
      if [[ -L $link ]]; then rm -f "$link" && mkdir -p "$link"; fi
    done
    echo "$prefix_recipe" >"$ready"
  fi
  exec 9>&-
}

# A server that wine starts itself quits with the last program (-p0); one we
# start keeps running a few seconds, so that consecutive tests start in 0.1 s
# instead of 0.8 s. It is detached from our stdout so no pipe reader waits on it.
start_server() {
  "$WINESERVER" </dev/null >/dev/null 2>&1 || true
}

stop_server() {
  [[ -d $WINEPREFIX ]] || return 0
  local t=${ZIVR_WINE_STOP_TIMEOUT:-30}
  if ! timeout "$t" "$WINESERVER" -w </dev/null >/dev/null 2>&1; then
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    timeout 10 "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  fi
}

case "${1:-}" in
  "")       die "usage: wine-run.sh PROGRAM.exe [ARGS...] | --prefix | --stop | --persist | --kill" ;;
  --prefix) ensure_prefix; echo "$WINEPREFIX"; exit 0 ;;
  --stop)   stop_server; exit 0 ;;
  --persist)
    ensure_prefix
    "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    exit ;;
  --kill)   "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true; exit 0 ;;
esac

ensure_prefix
start_server
exec env LC_ALL="${ZIVR_WINE_LOCALE:-en_US.UTF-8}" "$WINE" "$@"
