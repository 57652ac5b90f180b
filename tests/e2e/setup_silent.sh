#!/usr/bin/env bash
# The real Setup.exe of the demo under Wine, checked from outside: files on
# disk, the uninstall entry, the uninstall log read back with the package tool,
# and the exit codes a script sees.
#
#   setup_silent.sh SETUP.exe IPK5 LAUNCHER WORKDIR HOLD_FILE.exe
set -uo pipefail
setup=$1 ipk5=$2 launcher=$3 work=$4 hold=$5

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
run() { "$launcher" "$setup" "$@"; }
# Setup.exe's whole exit code: a Linux exit status keeps only its low 8 bits.
full_code() {
  "$launcher" cmd /v:on /c "start /wait \"\" \"Z:${setup//\//\\}\" $* & echo code=!errorlevel!" 2>/dev/null |
    tr -d '\r' | sed -n 's/^code=//p'
}
reg_value() { "$launcher" reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | awk -v n="$2" '$1 == n { $1 = ""; $2 = ""; sub(/^  /, ""); print }'; }
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'

rm -rf "$work" "$drive/ZIVR-e2e" "$drive/ZIVR-portable" "$drive/ZIVR-e2e-n"
mkdir -p "$work"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

# A fresh per-machine installation into a given folder.
run '/AUTO=C:\ZIVR-e2e' /SILENT
check "silent install exits 0" test $? -eq 0
dest=$drive/ZIVR-e2e
for f in ZIVR.exe Elevator.exe 'System/zivr_menu64.dll' 'Skins/Night Sky.zsk4' License.rtf \
         Uninstall.exe Uninstall.dat; do
  check "installed $f" test -f "$dest/$f"
done
check "no file of another language family" test ! -e "$dest/Langs/Russian.lng"
check "Uninstall.exe is the installer itself" cmp -s "$setup" "$dest/Uninstall.exe"
config() { iconv -f UTF-16 -t UTF-8 "$1/ZIVR.ini" | tr -d '\r'; }
check "configuration has this version" grep -qx 'Version=5620' <(config "$dest")
check "configuration is per machine" grep -qx 'UserMode=1' <(config "$dest")
check "integration switches passed" grep -qx '/REG=L1 /REG=D1 /REG=R1 /REG=M1 /REG=R2' "$dest/Elevator.log"
check "desktop shortcut" test -f "$drive/users/Public/Desktop/ZIVR.lnk"
check "start menu shortcut" test -f "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/ZIVR/ZIVR.lnk"
check "uninstall entry names the uninstaller" \
  test "$(reg_value "$uninstall_key" UninstallString)" = 'C:\ZIVR-e2e\Uninstall.exe'
check "uninstall entry has the version" test "$(reg_value "$uninstall_key" DisplayVersion)" = '5.62.0.5620'

check "Uninstall.dat verifies" "$ipk5" verify "$dest/Uninstall.dat"
"$ipk5" extract "$dest/Uninstall.dat" -o "$work/log" >/dev/null
log=$work/log/Uninstall.ini
check "the log is UTF-16LE with its mark" test "$(head -c 2 "$log" | od -An -tx1 | tr -d ' ')" = fffe
iconv -f UTF-16LE -t UTF-8 "$log" | tr -d '\r' | sed '1s/^\xEF\xBB\xBF//' > "$work/log.txt"
count=$(grep -c '' <(sed -n '/^\[Uninstall\]/,/^$/p' "$work/log.txt" | grep -E '^[0-9]+='))
check "the log lists every file and the uninstaller" \
  grep -qx "Count=$count" "$work/log.txt"
check "the log ends with the uninstaller's own files" \
  grep -qx "$((count - 1))=Uninstall.exe" "$work/log.txt"
check "paths in the log are relative" grep -qx '[0-9]*=System\\zivr_menu64.dll' "$work/log.txt"
check "a folder named with n is no line break" test -f "$dest/Help/notes/new.txt"
check "and the log names it as it is" grep -qx '[0-9]*=Help\\notes\\new.txt' "$work/log.txt"

# A file held open by another program in a silent run: the new one waits
# beside it for the restart, and the exit code says so.
printf 'another build' > "$dest/Help/index.htm"
"$launcher" "$hold" 'C:\ZIVR-e2e\Help\index.htm' 120 &
holder=$!
for _ in $(seq 100); do [[ -e $dest/Help/index.htm.held ]] && break; sleep 0.2; done
code=$(full_code '/AUTO=C:\ZIVR-e2e' /SILENT)
touch "$dest/Help/index.htm.release"
wait $holder
check "a held file makes the run ask for a restart (3010)" test "$code" = 3010
check "the held file is left as it was" test "$(cat "$dest/Help/index.htm")" = 'another build'
check "the new file waits beside it" cmp -s "$dest/Help/index.htm.new" "$(dirname "$0")/../../demo/product/Help/index.htm"
check "and replaces it at the restart" grep -qi 'ZIVR-e2e\\Help\\index.htm.new' \
  <("$launcher" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager' /v PendingFileRenameOperations 2>/dev/null)
rm -f "$dest/Help/index.htm.new" "$dest/Help/index.htm.release"

# A portable copy gets no uninstall entry.
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
run '/AUTO=C:\ZIVR-portable' /PORTABLE /SILENT
check "portable install exits 0" test $? -eq 0
check "portable copy has its uninstaller" test -f "$drive/ZIVR-portable/Uninstall.dat"
check "portable configuration" grep -qx 'UserMode=0' <(config "$drive/ZIVR-portable")
check "a portable copy is not integrated" test ! -e "$drive/ZIVR-portable/Elevator.log"
check "portable copy has no uninstall entry" test -z "$(reg_value "$uninstall_key" DisplayName)"

# A destination whose folders start with n, installed and removed again.
ndest=$drive/ZIVR-e2e-n/nadia/new
run '/AUTO=C:\ZIVR-e2e-n\nadia\new' /PORTABLE /SILENT
check "install under \\n folders exits 0" test $? -eq 0
check "installed under its own name" test -f "$ndest/ZIVR.exe"
check "nothing under a mangled name" test -z "$(find "$drive/ZIVR-e2e-n" -maxdepth 1 ! -name nadia ! -name ZIVR-e2e-n)"
"$ipk5" extract "$ndest/Uninstall.dat" -o "$work/nlog" >/dev/null
iconv -f UTF-16LE -t UTF-8 "$work/nlog/Uninstall.ini" | tr -d '\r' > "$work/nlog.txt"
check "its log names its own files as they are" grep -qx '[0-9]*=Uninstall.dat' "$work/nlog.txt"
"$launcher" 'C:\ZIVR-e2e-n\nadia\new\Uninstall.exe' /AUTO /SILENT
check "its uninstaller exits 0" test $? -eq 0
for f in ZIVR.exe Help/notes/new.txt Uninstall.exe Uninstall.dat; do
  check "its uninstaller removed $f" test ! -e "$ndest/$f"
done

# An update with nothing to update fails, and says why.
run '/AUTO=C:\ZIVR-none' /UPDATE /SILENT 2> "$work/update.err"
code=$?
check "update without a copy fails" test $code -ne 0
check "update without a copy explains" grep -q 'Cannot install update on v0.00' "$work/update.err"

rm -rf "$drive/ZIVR-e2e" "$drive/ZIVR-portable" "$drive/ZIVR-e2e-n" "$drive/users/Public/Desktop/ZIVR.lnk" \
       "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/ZIVR"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
