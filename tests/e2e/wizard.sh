# Shared by the wizard's end-to-end scripts: the display, the driver, the
# Setup.exe started in the background with a bounded wait for its end, and the
# driver's way through the pages every interactive run begins with.
display=${DISPLAY:-}
source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
if [ -z "$display" ]; then echo "no display: the wizard cannot be shown"; exit 77; fi
export DISPLAY=$display

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
appdata=$drive/users/$(id -un)/AppData/Roaming
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
reg_value() { "$launcher" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }
config() { iconv -f UTF-16 -t UTF-8 "$1/ZIVR.ini" | tr -d '\r'; }

# forget FOLDER...: the folders and the uninstall entry of an earlier run go.
forget() {
  rm -rf "$@"
  "$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
}
# prepare FOLDER...: forget them and start with an empty work folder.
prepare() {
  forget "$work" "$@"
  mkdir -p "$work"
}

# start PROGRAM ARGS...: runs it in the background; its exit code lands in $work/exit.
start() {
  rm -f "$work/exit"
  ( "$launcher" "$@" > "$work/setup.out" 2>&1; echo $? > "$work/exit" ) > /dev/null 2>&1 &
}
# ended [SECONDS]: waits for the started program; false when it does not end in time.
ended() {
  local i
  for ((i = 0; i < ${1:-60} * 10; i++)); do
    [ -f "$work/exit" ] && return 0
    sleep 0.1
  done
  return 1
}
exit_code() { cat "$work/exit" 2>/dev/null || echo none; }
# ends_well WHAT: the started program ends within a minute and exits 0.
ends_well() {
  check "$1 ends" ended 60
  check "$1 exits 0" test "$(exit_code)" = 0
}
# drive: runs the driver's commands from standard input; shows the times of
# the page changes it saw, and everything when it fails.
drive() {
  "$launcher" "$driver" > "$work/driver.log" 2>&1 || { cat "$work/driver.log"; return 1; }
  grep '^page ' "$work/driver.log" | tr -d '\r'
  return 0
}
# The player a finished run started closes again.
close_player() { "$launcher" "$driver" "window TZIVRMainForm 5000; close" > /dev/null 2>&1; }
# Ends whatever is left of a failed run, so the next test starts clean.
cleanup_run() {
  if ! ended 1; then
    echo "ending what is left of the run"
    ZIVR_WINE_STOP_TIMEOUT=1 "$launcher" --stop > /dev/null 2>&1
    ended 10
  fi
}

# The driver's commands that answer the language dialog (with the item
# LANGUAGE, an index or a name, when given) and take the wizard window.
language() { # [LANGUAGE]
  echo "window LanguageDialog 30000"
  [ $# -eq 0 ] || echo "select Languages $1"
  echo "click OK"
  echo "window WizardForm 30000"
}
# ... and on through the welcome page and the license to the options page.
to_options() { # [LANGUAGE]
  language "$@"
  printf '%s\n' "wait PageWelcome 30000" "click bNext" "wait PageLicense" \
    "tick PageLicense/L1 1" "click bNext" "wait PageSetup"
}
# ... and from the summary through the installation to the finish page, which
# closes without starting the player.
install_unlaunched() {
  printf '%s\n' "wait PageReadyToInstall" "click bNext" "wait PageFinish 120000" \
    "tick PageFinish/CB1 0" "click bNext"
}
