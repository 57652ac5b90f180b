#!/usr/bin/env bash
# /LOG of the real Setup.exe and Uninstall.exe under Wine, read back: a fresh
# installation, an update with its backup, a failed run, a removal; the
# default file name; a log that cannot be written; no log without /LOG.
#
#   setup_log.sh SETUP.exe LAUNCHER FIXTURES WORKDIR
set -uo pipefail
setup=$1 launcher=$2 fixtures=$3 work=$4

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
appdata=$drive/users/$(id -un)/AppData/Roaming
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
run() { "$launcher" "$setup" "$@"; }
logs=$drive/zivr-logs
rm -rf "$work" "$logs" "$drive/ZIVR-log" "$drive/ZIVR-logfail" "$drive/e2e-log-5300"
mkdir -p "$work" "$logs"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

has() { grep -qE -- "$2" "$1"; }            # has LOG REGEX
stamped() { ! grep -vqE '^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3}  ' "$1"; }
utf8() { iconv -f UTF-8 -t UTF-8 "$1" >/dev/null 2>&1; }
last_is() { test "$(tail -1 "$1" | tr -d '\r' | cut -c26-)" = "$2"; }
size_of() { stat -c %s "$1"; }

# --- A fresh installation ---------------------------------------------------------
run '/AUTO=C:\ZIVR-log' /SILENT '/LOG=C:\zivr-logs\install.txt'
check "install with a log exits 0" test $? -eq 0
log=$logs/install.txt
check "install log written" test -s "$log"
check "install log is UTF-8" utf8 "$log"
check "every line has its time stamp" stamped "$log"
check "the program" has "$log" '  Program: .*Setup\.exe'
check "the command line" has "$log" '  Command line: .*/LOG=C:\\zivr-logs\\install\.txt'
check "the system" has "$log" '  System: Windows [0-9]+\.[0-9]+ build [0-9]+'
check "the product and its version" has "$log" '  Setup of ZIVR 5\.62\.0\.5620 \(version id 5620\)'
check "mode, flags and destination" has "$log" '  Mode: install; flags: AUTO SILENT; destination: C:\\ZIVR-log\\;'
check "an action starts" has "$log" '  Action TSetupActionExtract: start'
check "and ends with its duration" has "$log" '  Action TSetupActionExtract: done in [0-9]+ ms'
check "each file written with its size" \
  has "$log" "  File written: C:\\\\ZIVR-log\\\\ZIVR\\.exe \\($(size_of "$drive/ZIVR-log/ZIVR.exe") bytes\\)"
check "the uninstaller written" has "$log" '  File written: C:\\ZIVR-log\\Uninstall\.exe'
check "registry values written" has "$log" '  Registry value written: DisplayName = ZIVR'
check "a program started" has "$log" '  Program started: .*Elevator\.exe'
check "with its exit code" has "$log" '  Program ended with exit code 0'
check "the exit code last" last_is "$log" 'Exit code 0'

# --- An update with a backup ---------------------------------------------------------
rm -rf "$drive/e2e-log-5300" "$appdata/ZIVR"
cp -r "$fixtures/v5300-peruser/Program" "$drive/e2e-log-5300"
mkdir -p "$appdata" && cp -r "$fixtures/v5300-peruser/AppData/." "$appdata/"
run '/AUTO=C:\e2e-log-5300' /SILENT '/LOG=C:\zivr-logs\update.txt'
check "update with a log exits 0" test $? -eq 0
log=$logs/update.txt
check "update: mode and flags as decided" has "$log" '  Mode: install; flags: AUTO UPDATE SILENT; destination: C:\\e2e-log-5300\\;'
check "update: the backup archive" has "$log" '  Backup archive written: C:\\e2e-log-5300\\!Backup\\z Before install 5\.62 .*\.zip \([0-9]+ files\)'
check "update: obsolete files deleted" has "$log" '  File deleted: C:\\e2e-log-5300\\System\\libsoxr\.dll'
check "update: the preparation's duration" has "$log" '  Action TSetupActionPrepare: done in [0-9]+ ms'
check "update: exit code last" last_is "$log" 'Exit code 0'

# --- A failed run, with the default log file ---------------------------------------
temp_unix=$drive/users/$(id -un)/Temp # %TEMP% of this Wine
[[ -d $temp_unix ]] || temp_unix=$drive/users/$(id -un)/AppData/Local/Temp
before=$(find "$temp_unix" -maxdepth 1 -name 'ZIVR Setup Log *.txt' 2>/dev/null | sort)
run '/AUTO=C:\ZIVR-logfail' /UPDATE /SILENT 2>/dev/null
check "a failed run without /LOG fails" test $? -ne 0
after=$(find "$temp_unix" -maxdepth 1 -name 'ZIVR Setup Log *.txt' 2>/dev/null | sort)
check "without /LOG nothing is written" test "$before" = "$after"
run '/AUTO=C:\ZIVR-logfail' /UPDATE /SILENT /LOG 2>/dev/null
check "a failed run with /LOG fails the same" test $? -eq 1
log=$(comm -13 <(echo "$before") <(find "$temp_unix" -maxdepth 1 -name 'ZIVR Setup Log *.txt' | sort) | head -1)
check "the default log is in the temporary folder, named by date and number" \
  test "$(basename "$log")" = "ZIVR Setup Log $(date +%F) #$(printf %03d "$(($(echo "$before" | grep -c .) + 1))").txt"
if [[ -f $log ]]; then
  check "failed run: the error" has "$log" '  Error: Cannot install update on v0\.00'
  check "failed run: exit code last" last_is "$log" 'Exit code 1'
  rm -f "$log"
fi

# --- A log that cannot be written stops nothing --------------------------------------
run '/AUTO=C:\ZIVR-logfail' /PORTABLE /SILENT '/LOG=C:\no-such-folder\x\log.txt' 2>"$work/nolog.err"
check "an unwritable log does not stop the run" test $? -eq 0
check "it is reported on standard error" grep -q 'cannot be opened' "$work/nolog.err"
check "once" test "$(grep -c 'cannot be opened' "$work/nolog.err")" -eq 1

# --- The removal -------------------------------------------------------------------------
"$launcher" 'C:\ZIVR-log\Uninstall.exe' /AUTO /SILENT '/LOG=C:\zivr-logs\uninstall.txt'
check "uninstall with a log exits 0" test $? -eq 0
"$launcher" --stop # the uninstaller goes on from the temporary folder
log=$logs/uninstall.txt
check "uninstall log is UTF-8 and stamped" stamped "$log"
check "uninstall: the relaunch from the temporary folder" has "$log" '  Relaunching the uninstaller from the temporary folder'
check "uninstall: the mode" has "$log" '  Mode: uninstall; flags: AUTO SILENT; destination: C:\\ZIVR-log\\;'
check "uninstall: files deleted" has "$log" '  File deleted: C:\\ZIVR-log\\ZIVR\.exe'
check "uninstall: the uninstall entry removed" has "$log" '  Registry key removed: .*ZIVR'
check "uninstall: both processes end with their exit code" test "$(grep -c '  Exit code 0' "$log")" -eq 2

rm -rf "$logs" "$drive/ZIVR-log" "$drive/ZIVR-logfail" "$drive/e2e-log-5300" "$appdata/ZIVR" \
       "$drive/users/Public/Desktop/ZIVR.lnk" \
       "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/ZIVR"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
