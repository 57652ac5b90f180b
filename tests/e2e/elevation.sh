#!/usr/bin/env bash
# The first, non-elevated process of a run ends with the exit code of the
# elevated copy it started. Wine gives every process administrator rights, so
# the tests' Setup.exe is told to act as one without (ZIVR_FAULT_NOT_ELEVATED):
# it relaunches itself, and the copy, started with /SKIPUAC, does the run.
#
#   elevation.sh FAULTS-SETUP.exe HOLD_FILE.exe LAUNCHER WORKDIR
set -uo pipefail
faulty=$1 hold=$2 launcher=$3 work=$4

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
dest=$drive/e2e-elevation
rm -rf "$work" "$dest" "$drive/e2e-elevation-logs"
mkdir -p "$work" "$drive/e2e-elevation-logs"
export ZIVR_FAULT_NOT_ELEVATED=1
# The whole exit code: a Linux exit status keeps only its low 8 bits.
full_code() {
  "$launcher" cmd /v:on /c "start /wait \"\" \"Z:${faulty//\//\\}\" $* & echo code=!errorlevel!" 2>/dev/null |
    tr -d '\r' | sed -n 's/^code=//p'
}
relaunches() { grep -c 'No administrator rights: relaunching elevated' "$1"; }
exits() { grep -c "  Exit code $2\$" <(tr -d '\r' < "$1"); }

# A good run: both processes end with 0, and only the first relaunched.
log=$drive/e2e-elevation-logs/good.txt
"$launcher" "$faulty" '/AUTO=C:\e2e-elevation' /PORTABLE /SILENT '/LOG=C:\e2e-elevation-logs\good.txt'
check "a good run through the elevated copy exits 0" test $? -eq 0
check "the elevated copy installed" test -f "$dest/ZIVR.exe"
check "the run relaunched itself once" test "$(relaunches "$log")" = 1
check "and the copy did the run" grep -q '  Mode: install; flags: AUTO PORTABLE SILENT' "$log"
check "both processes ended with 0" test "$(exits "$log" 0)" = 2

# A file held open: the copy asks for a restart (3010), and so does the first
# process.
log=$drive/e2e-elevation-logs/restart.txt
printf 'another build' > "$dest/Help/index.htm"
"$launcher" "$hold" 'C:\e2e-elevation\Help\index.htm' 120 &
holder=$!
for _ in $(seq 100); do [[ -e $dest/Help/index.htm.held ]] && break; sleep 0.2; done
code=$(full_code '/AUTO=C:\e2e-elevation' /PORTABLE /SILENT '/LOG=C:\e2e-elevation-logs\restart.txt')
touch "$dest/Help/index.htm.release"
wait $holder
check "a run whose copy asks for a restart exits 3010" test "$code" = 3010
check "both processes ended with 3010" test "$(exits "$log" 3010)" = 2

# A failing run: the copy's own code comes back, here that of a run ended
# while it extracts (99), which the first process never chooses itself.
log=$drive/e2e-elevation-logs/failed.txt
ZIVR_FAULT=extracting "$launcher" "$faulty" '/AUTO=C:\e2e-elevation-new' /PORTABLE /SILENT \
  '/LOG=C:\e2e-elevation-logs\failed.txt'
check "a failing run through the elevated copy exits with the copy's code" test $? -eq 99
check "the first process ended with it" test "$(exits "$log" 99)" = 1
check "the run relaunched itself once" test "$(relaunches "$log")" = 1
# An update without a copy fails in the elevated copy (1).
log=$drive/e2e-elevation-logs/update.txt
"$launcher" "$faulty" '/AUTO=C:\e2e-elevation-none' /UPDATE /SILENT '/LOG=C:\e2e-elevation-logs\update.txt'
check "a run that fails in the copy exits 1" test $? -eq 1
check "the copy says why" grep -q 'Error: Cannot install update on v0.00' "$log"
check "both processes ended with 1" test "$(exits "$log" 1)" = 2

rm -rf "$dest" "$drive/e2e-elevation-new" "$drive/e2e-elevation-logs"
finish
