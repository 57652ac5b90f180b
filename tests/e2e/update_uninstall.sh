#!/usr/bin/env bash
# The demo Setup.exe over older installed copies, then the uninstaller, under
# Wine, checked from outside: the folders, the archives, the profiles, the
# uninstall entry and the records of the stand-in programs.
#
#   update_uninstall.sh SETUP.exe LAUNCHER FIXTURES WORKDIR
set -uo pipefail
setup=$1 launcher=$2 fixtures=$3 work=$4

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"
archives() { find "$1/!Backup" -maxdepth 1 -name '*.zip' 2>/dev/null | wc -l; }
newest_archive() { find "$1/!Backup" -maxdepth 1 -name 'z Before install 5.62 *.zip' | head -1; }
# grep reads the whole listing: with -q it could stop early and, under pipefail,
# fail the check through the lister's broken pipe.
in_archive() { unzip -Z1 "$1" | grep -xF "$2" >/dev/null; }

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
appdata=$drive/users/$(id -un)/AppData/Roaming
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
reg_has() { "$launcher" reg query "$uninstall_key" /v "$1" >/dev/null 2>&1; }
reg_lacks() { ! reg_has "$1"; }

# An installed copy from a fixture: its program folder and its profile.
place() { # place FIXTURE FOLDER
  rm -rf "$drive/$2" "$appdata/ZIVR" "$appdata/ZIVR3"
  cp -r "$fixtures/$1/Program" "$drive/$2"
  [[ -d $fixtures/$1/AppData ]] && mkdir -p "$appdata" && cp -r "$fixtures/$1/AppData/." "$appdata/"
  "$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
  return 0
}
run() { "$launcher" "$setup" "$@"; }

rm -rf "$work" && mkdir -p "$work"

# An update of a recent per-user copy: backed up, obsolete parts gone, the
# user's things and the profile kept.
place v5300-peruser e2e-5300
dest=$drive/e2e-5300
run '/AUTO=C:\e2e-5300' /SILENT
check "update from 5300 exits 0" test $? -eq 0
archive=$(newest_archive "$dest")
check "update from 5300 made its archive" test -n "$archive"
[[ -n $archive ]] && check "the archive holds the old program" in_archive "$archive" Program/System/libsoxr.dll
[[ -n $archive ]] && check "the archive holds the old configuration" in_archive "$archive" Program/ZIVR.ini
check "the older archive is kept" test "$(archives "$dest")" -eq 2
check "obsolete plug-ins are gone" test ! -e "$dest/Plugins/Falcon"
check "obsolete libraries are gone" test ! -e "$dest/System/libsoxr.dll"
check "the new player is there" test -f "$dest/ZIVR.exe"
check "the configuration has this version" grep -q 'Version=5620' <(iconv -f UTF-16 -t UTF-8 "$dest/ZIVR.ini")
check "the profile stays" test -d "$appdata/ZIVR"
check "an update does not integrate again" test ! -e "$dest/Elevator.log"
check "the uninstall entry is registered" reg_has DisplayName

# The uninstaller with the unattended defaults: files, integration and backups
# go, users' profiles stay.
# It answers only when the removal is done, and runs from a folder of its own.
temp=$drive/users/$(id -un)/AppData/Local/Temp
rm -f "$temp/Uninstall.exe" "$temp/Uninstall.dat"
"$launcher" 'C:\e2e-5300\Uninstall.exe' /AUTO /SILENT
check "uninstaller exits 0" test $? -eq 0
check "the removal is done when the uninstaller answers" test ! -e "$dest/Uninstall.exe"
check "no copy loose in the temporary folder" test ! -e "$temp/Uninstall.exe"
check "the player is removed" test ! -e "$dest/ZIVR.exe"
check "the uninstaller's own files are removed" test ! -e "$dest/Uninstall.dat"
check "backups are removed" test ! -e "$dest/!Backup"
check "the profile is kept" test -d "$appdata/ZIVR"
check "the integration was removed" grep -q '/REG=U' "$dest/Elevator.log"
check "the shell extension was unregistered" test -s "$dest/System/zivr_menu64.log"
check "the uninstall entry is removed" reg_lacks DisplayName

# The oldest copy: its profile moves to the new folder under the new names.
place v3900-peruser e2e-3900
dest=$drive/e2e-3900
run '/AUTO=C:\e2e-3900' /SILENT
check "update from 3900 exits 0" test $? -eq 0
check "profile migrated with its new name" test -f "$appdata/ZIVR/ZIVR.ini"
check "legacy profile names renamed" test -f "$appdata/ZIVR/ZIVR-ContextMenu.ini"
check "the old configuration name is gone" test ! -e "$dest/ZIVR3.ini"
check "the user's own plug-in is kept" test -d "$dest/Plugins/MyVisualizer"
check "the user's own skin is kept" test -f "$dest/Skins/Custom.zsk4"
check "its shell menu and shortcuts are put back" test -f "$dest/Elevator.log"

# No backup asked for: no new archive, the update itself still runs.
place v5300-peruser e2e-nobackup
run '/AUTO=C:\e2e-nobackup' /SILENT /NOBACKUP
check "update without backup exits 0" test $? -eq 0
check "no new archive" test -z "$(newest_archive "$drive/e2e-nobackup")"
check "the new player is there" test -f "$drive/e2e-nobackup/ZIVR.exe"

# A portable copy with five archives: three remain, the new one among them;
# the profile beside the program stays; no uninstall entry.
place v5030-portable e2e-portable
dest=$drive/e2e-portable
run '/AUTO=C:\e2e-portable' /SILENT
check "portable update exits 0" test $? -eq 0
check "three archives remain" test "$(archives "$dest")" -eq 3
check "the new archive is one of them" test -n "$(newest_archive "$dest")"
check "the two newest old archives remain" test -f "$dest/!Backup/z Before install 5.04 [2024.05.14 09-00-00].zip"
check "the portable profile stays" test -d "$dest/Profile"
check "a portable copy is not registered" reg_lacks DisplayName

# Archives that sort after the new one (a later version's setup run before):
# the new archive, the only copy of what the update replaced, stays.
place v5030-portable e2e-sorted
dest=$drive/e2e-sorted
for v in 9.10 9.20 9.30; do
  cp "$dest/!Backup/z Before install 5.04 [2024.05.14 09-00-00].zip" "$dest/!Backup/z Before install $v [2020.01.01 09-00-00].zip"
done
run '/AUTO=C:\e2e-sorted' /SILENT
check "update beside later archives exits 0" test $? -eq 0
check "the new archive stays" test -n "$(newest_archive "$dest")"
check "three archives remain with it" test "$(archives "$dest")" -eq 3

# A copy too new to update.
place v5500-peruser e2e-5500
run '/AUTO=C:\e2e-5500' /UPDATE /SILENT 2> "$work/5500.err"
check "an update of a newer copy fails" test $? -ne 0
check "and says why" grep -q 'Cannot install update on v5.50' "$work/5500.err"

rm -rf "$drive"/e2e-5300 "$drive"/e2e-3900 "$drive"/e2e-nobackup "$drive"/e2e-portable "$drive"/e2e-sorted "$drive"/e2e-5500 \
       "$appdata/ZIVR" "$appdata/ZIVR3" \
       "$drive/users/Public/Desktop/ZIVR.lnk" "$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/ZIVR"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
finish
