#!/usr/bin/env bash
# Faults during an installation, under Wine: a disk full before and during the
# run (a small tmpfs mapped as drive Q:), read-only and locked files, the
# process killed at four moments, damaged packages. Each case checks that the
# old copy is back byte for byte (with its empty folders, its uninstall entries
# in both registry views and its shortcuts), or that the new one is complete;
# never anything in between.
#
#   faults.sh SETUP.exe FAULTS-SETUP.exe HOLDFILE.exe LAUNCHER FIXTURES WORKDIR PACKAGES...
#
# PACKAGES are the package files inside SETUP.exe.
set -uo pipefail
setup=$1 faulty=$2 holder=$3 launcher=$4 fixtures=$5 work=$(realpath -m "$6")
packages=("${@:7}")

source "$(dirname "${BASH_SOURCE[0]}")/checks.sh"

prefix=$("$launcher" --prefix) || { echo "no Wine prefix"; exit 1; }
drive=$prefix/drive_c
appdata=$drive/users/$(id -un)/AppData/Roaming
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
uninstall_key32='HKLM\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
marker='!Backup/z Update in progress.ini'
# The common desktop: the user's own one may lead out of the prefix.
desktop=$drive/users/Public/Desktop
programs=$drive/ProgramData/Microsoft/Windows/Start\ Menu/Programs

rm -rf "$work" && mkdir -p "$work"
small=$work/small
cleanup() {
  "$launcher" --stop >/dev/null 2>&1
  rm -f "$prefix/dosdevices/q:"
  mountpoint -q "$small" && umount "$small"
}
trap cleanup EXIT

# The 5.30 fixture with an empty folder in the program and in the profile,
# which git cannot hold.
old=$work/v5300
cp -r "$fixtures/v5300-peruser" "$old"
mkdir -p "$old/Program/Plugins/zivr_Spectrum/Presets" "$old/AppData/ZIVR/Playlists"
# Its uninstall entries in both views (a subkey, a binary value) and shortcuts.
cat > "$work/entries.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR]
"DisplayName"="ZIVR 5.30"
"InstallLocation"="C:\\e2e-faults\\"
"NoModify"=dword:00000001
"Marks"=hex:00,01,fe,ff

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR]
"DisplayName"="ZIVR 5.30 (32-bit view)"

[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR\Parts]
"Player"="1"
REG
traces() { # the uninstall entries and the shortcuts, as text
  "$launcher" reg query "$uninstall_key" /s 2>&1
  "$launcher" reg query "$uninstall_key32" /s 2>&1
  (cd "$drive" && find "${desktop#"$drive"/}" "${programs#"$drive"/}" -path '*ZIVR*' | sort |
     while IFS= read -r f; do if [[ -d $f ]]; then echo "$f/"; else md5sum "$f"; fi; done)
}

# An installed 5.30 copy with its profile, uninstall entries and shortcuts.
place() { # place FOLDER (absolute, Linux)
  rm -rf "$1" "$appdata/ZIVR" "$appdata/ZIVR3" "$desktop/ZIVR.lnk" "$programs/ZIVR"
  mkdir -p "$(dirname "$1")" "$appdata" "$desktop" "$programs/ZIVR/Tools"
  cp -r "$old/Program" "$1"
  cp -r "$old/AppData/." "$appdata/"
  head -c 700 "$setup" > "$desktop/ZIVR.lnk"
  tail -c 500 "$setup" > "$programs/ZIVR/ZIVR.lnk"
  "$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
  "$launcher" reg delete "$uninstall_key32" /f >/dev/null 2>&1
  "$launcher" reg import 'Z:'"$work"'/entries.reg' >/dev/null 2>&1
  traces > "$work/traces.before"
}
# The old copy is back: the folder (its backups aside) and the profile are
# byte for byte what they were, empty folders included, the old archive is
# kept, no marker remains; the uninstall entries and shortcuts are as before.
old_copy_back() { # old_copy_back FOLDER
  diff -r -x '!Backup' "$old/Program" "$1" >&2 &&
    diff -r "$old/AppData/ZIVR" "$appdata/ZIVR" >&2 &&
    cmp -s "$old/Program/!Backup/z Before install 5.20 [2023.11.30 18-45-00].zip" \
           "$1/!Backup/z Before install 5.20 [2023.11.30 18-45-00].zip" &&
    test ! -e "$1/$marker" && traces_back
}
traces_back() { diff "$work/traces.before" <(traces) >&2; }
# The new copy is complete: every file of a clean installation, same bytes
# (the uninstall log and the configuration carry the run's own values).
new_copy_complete() { # new_copy_complete FOLDER [EXCEPT]
  local f bad=0
  while IFS= read -r f; do
    [[ $f == "${2:-}" ]] && continue
    cmp -s "$reference/$f" "$1/$f" || { echo "differs: $f" >&2; bad=1; }
  done < <(cd "$reference" && find . -type f ! -name Uninstall.dat ! -name ZIVR.ini \
             ! -name Uninstall.exe ! -path './!Backup/*' ! -name '*.log' | sed 's|^\./||')
  # The uninstaller is a copy of whichever Setup.exe ran last.
  test -s "$1/Uninstall.exe" && test -s "$1/Uninstall.dat" &&
    grep -q 'Version=5620' <(iconv -f UTF-16 -t UTF-8 "$1/ZIVR.ini") && [[ $bad -eq 0 ]] &&
    test ! -e "$1/$marker"
}
empty_or_absent() { [[ ! -e $1 ]] || [[ -z $(find "$1" -type f) ]]; }

# A clean installation to compare new copies with.
reference=$drive/e2e-reference
rm -rf "$reference"
"$launcher" "$setup" '/AUTO=C:\e2e-reference' /SILENT
check "the reference installation exits 0" test $? -eq 0
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1

# ---- a disk that is full before the run, and one that fills during it ----
setup_kb=$(( $(stat -c %s "$setup") / 1024 ))
small_drive() { # small_drive KB: a fresh tmpfs of that size as drive Q:
  mountpoint -q "$small" && { "$launcher" --stop >/dev/null 2>&1; umount "$small"; }
  mkdir -p "$small" && mount -t tmpfs -o "size=${1}k" tmpfs "$small" &&
    ln -sfn "$small" "$prefix/dosdevices/q:"
}
if small_drive 64; then
  small_drive $(( setup_kb / 2 ))
  "$launcher" "$setup" '/AUTO=Q:\zivr' /SILENT 2> "$work/full-fresh.err"
  check "a fresh installation onto a full disk fails" test $? -ne 0
  check "and says how much it needs on which drive" grep -q 'not enough free space on drive Q:' "$work/full-fresh.err"
  check "and writes nothing" empty_or_absent "$small/zivr"

  small_drive $(( setup_kb / 2 ))
  place "$small/zivr"
  "$launcher" "$setup" '/AUTO=Q:\zivr' /SILENT 2> "$work/full-update.err"
  check "an update onto a full disk fails" test $? -ne 0
  check "and says so" grep -q 'not enough free space on drive Q:' "$work/full-update.err"
  check "and leaves the old copy as it was" old_copy_back "$small/zivr"
  check "and writes no archive" test "$(find "$small/zivr/!Backup" -name '*.zip' | wc -l)" -eq 1

  # Another program takes the space while the files are extracted: the run
  # fails, and what it wrote goes again. A fresh installation removes the
  # shortcuts of a copy elsewhere first: they come back too.
  small_drive $(( setup_kb * 3 + 4096 ))
  place "$drive/e2e-faults"
  ZIVR_FAULT_FILL='extracting:512:Q:\filler' "$launcher" "$faulty" '/AUTO=Q:\zivr' /SILENT \
    2> "$work/filled-fresh.err"
  check "a fresh installation that runs out of space fails" test $? -ne 0
  check "and says its files were removed" grep -q 'files this installation had written were removed' "$work/filled-fresh.err"
  check "and leaves no folder behind" test ! -e "$small/zivr"
  check "and puts back the shortcuts it had removed" traces_back
  rm -f "$small/filler"

  place "$small/zivr"
  ZIVR_FAULT_FILL='extracting:512:Q:\filler' "$launcher" "$faulty" '/AUTO=Q:\zivr' /SILENT \
    2> "$work/filled-update.err"
  check "an update that runs out of space fails" test $? -ne 0
  check "and gives the original error" grep -qi 'Uninstall.exe' "$work/filled-update.err"
  check "and says the previous version was restored" grep -q 'previous version was restored' "$work/filled-update.err"
  check "the old copy, its entries and shortcuts are back byte for byte" old_copy_back "$small/zivr"
  rm -f "$small/filler"

  # The configuration cannot be written, after the new uninstall entry
  # replaced the old ones of both views.
  place "$small/zivr"
  ZIVR_FAULT_FILL='configuring:0:Q:\filler' "$launcher" "$faulty" '/AUTO=Q:\zivr' /SILENT \
    2> "$work/filled-config.err"
  check "an update whose configuration cannot be written fails" test $? -ne 0
  check "and says the previous version was restored" grep -q 'previous version was restored' "$work/filled-config.err"
  check "the old copy and both old entries are back" old_copy_back "$small/zivr"
  rm -f "$small/filler"
  rm -rf "$small/zivr"
else
  echo "SKIPPED: disk-full cases (no tmpfs mount here)"
fi

# ---- read-only and locked files ----
dest=$drive/e2e-faults
place "$dest"
"$launcher" attrib +r 'C:\e2e-faults\Help\index.htm' >/dev/null 2>&1
"$launcher" "$setup" '/AUTO=C:\e2e-faults' /SILENT
check "an update over a read-only file exits 0" test $? -eq 0
check "and the new copy is complete" new_copy_complete "$dest"

place "$dest"
if chattr +i "$dest" 2>/dev/null; then
  "$launcher" "$setup" '/AUTO=C:\e2e-faults' /SILENT 2> "$work/readonly-folder.err"
  rc=$?
  chattr -i "$dest"
  check "an update into a folder nothing can be written to fails" test $rc -ne 0
  check "and says the previous version was restored" grep -q 'previous version was restored' "$work/readonly-folder.err"
  check "and the old copy is as it was" old_copy_back "$dest"
else
  echo "SKIPPED: read-only folder (no immutable attribute here)"
fi

hold() { # hold FILE(Windows path): held open without sharing until released
  rm -f "$work/release"
  "$launcher" "$holder" "$1" "Z:$work/release" &
  holder_pid=$!
  sleep 3
}
release() { touch "$work/release"; wait "$holder_pid"; }
# An update with a file held open, the question answered; its code in rc.
held_update() { # held_update ANSWER FOLDER FILE ERRORS (Windows paths, then a Linux one)
  hold "$3"
  ZIVR_FAULT_ANSWER=$1 "$launcher" "$faulty" "/AUTO=$2" /SILENT 2> "$4"
  rc=$?
  release
}

place "$dest"
held_update abort 'C:\e2e-faults' 'C:\e2e-faults\Help\index.htm' "$work/locked-abort.err"
check "a locked file answered with Abort fails the update" test $rc -ne 0
check "and names the file" grep -q 'index.htm' "$work/locked-abort.err"
check "and says the previous version was restored" grep -q 'previous version was restored' "$work/locked-abort.err"
check "and the old copy is as it was" old_copy_back "$dest"

place "$dest"
held_update ignore 'C:\e2e-faults' 'C:\e2e-faults\Help\index.htm' "$work/locked-ignore.err"
check "a locked file answered with Ignore lets the update finish" test $rc -eq 0
check "the locked file keeps its content" cmp -s "$fixtures/v5300-peruser/Program/Help/index.htm" "$dest/Help/index.htm"
check "the rest of the new copy is complete" new_copy_complete "$dest" Help/index.htm

# A portable copy with five archives: a failed update keeps all of them (the
# surplus goes only with a successful one), and the old copy comes back; its
# album-art cache is deleted unarchived, as it is by every update.
portable=$drive/e2e-portable
rm -rf "$portable" && cp -r "$fixtures/v5030-portable/Program" "$portable"
held_update abort 'C:\e2e-portable' 'C:\e2e-portable\Help\index.htm' "$work/portable-abort.err"
check "a failed portable update fails" test $rc -ne 0
check "and says the previous version was restored" grep -q 'previous version was restored' "$work/portable-abort.err"
check "the portable copy and its profile are back" \
  diff -r -x '!Backup' -x AlbumArtsCache.db "$fixtures/v5030-portable/Program" "$portable"
check "every old archive is kept, and the run's own" test "$(find "$portable/!Backup" -name '*.zip' | wc -l)" -eq 6
rm -rf "$portable"

# ---- the process killed at four moments, then a second silent run ----
for point in archived deleting extracting configuring; do
  place "$dest"
  ZIVR_FAULT=$point "$launcher" "$faulty" '/AUTO=C:\e2e-faults' /SILENT
  check "killed $point: the run ended there" test $? -eq 99
  check "killed $point: the marker names the run" test -f "$dest/$marker"
  "$launcher" "$setup" '/AUTO=C:\e2e-faults' /SILENT 2> "$work/after-$point.err"
  check "killed $point: the next run exits 0" test $? -eq 0
  check "killed $point: the next run says it restored first" \
    grep -q 'interrupted update was found; the previous version was restored' "$work/after-$point.err"
  check "killed $point: the new copy is complete" new_copy_complete "$dest"
  # The next run archived the old copy, restored first: not a half-deleted one.
  newest=$(ls -t "$dest/!Backup/"z\ Before\ install\ 5.62*.zip | head -1)
  check "killed $point: the next run archived the restored old copy" \
    bash -c 'unzip -Z1 "$1" | grep -x Program/System/libsoxr.dll >/dev/null' _ "$newest"
  check "killed $point: the profile is kept" test -f "$appdata/ZIVR/ZIVR-cat.db"
done

# The uninstaller of a copy whose update was killed restores, then removes.
place "$dest"
"$launcher" "$setup" '/AUTO=C:\e2e-faults' /SILENT # a copy with an uninstaller
ZIVR_FAULT=archived "$launcher" "$faulty" '/AUTO=C:\e2e-faults' /SILENT
check "killed again: the marker is there" test -f "$dest/$marker"
"$launcher" 'C:\e2e-faults\Uninstall.exe' /AUTO /SILENT
check "the uninstaller exits 0" test $? -eq 0
"$launcher" --stop
check "the uninstaller removed the copy" test ! -e "$dest/ZIVR.exe"
check "and no marker is left" test ! -e "$dest/$marker"

# ---- damaged packages ----
# Where each package lies in the program: the offset whose bytes are the package's.
package_offset() { # package_offset PACKAGE
  local offset
  for offset in $(grep -obUa 'IPK5' "$setup" | cut -d: -f1); do
    cmp -s -n "$(stat -c %s "$1")" -i "$offset:0" "$setup" "$1" && { echo "$offset"; return 0; }
  done
  return 1
}
for package in "${packages[@]}"; do
  name=$(basename "$package")
  offset=$(package_offset "$package")
  check "$name is found in Setup.exe" test -n "$offset"
  [[ -n $offset ]] || continue
  cp "$setup" "$work/Setup-flipped.exe"
  at=$((offset + $(stat -c %s "$package") / 2))
  byte=$(od -An -tu1 -j "$at" -N1 "$work/Setup-flipped.exe" | tr -d ' ')
  printf "$(printf '\\%03o' $(( byte ^ 0x55 )))" |
    dd of="$work/Setup-flipped.exe" bs=1 seek="$at" conv=notrunc status=none
  rm -rf "$drive/e2e-damaged"
  "$launcher" "$work/Setup-flipped.exe" '/AUTO=C:\e2e-damaged' /SILENT 2> "$work/flipped-$name.err"
  check "a flipped byte in $name fails" test $? -ne 0
  check "with \"Package was corrupted\"" grep -q 'Package was corrupted' "$work/flipped-$name.err"
  check "and writes nothing" test ! -e "$drive/e2e-damaged"
  # Cut in the middle of the package: the program is incomplete.
  head -c "$at" "$setup" > "$work/Setup-truncated.exe"
  "$launcher" "$work/Setup-truncated.exe" '/AUTO=C:\e2e-damaged' /SILENT 2> "$work/truncated-$name.err"
  check "a Setup.exe cut inside $name fails" test $? -ne 0
  check "and writes nothing" test ! -e "$drive/e2e-damaged"
done

rm -rf "$dest" "$reference" "$drive/e2e-damaged" "$appdata/ZIVR" "$desktop/ZIVR.lnk" "$programs/ZIVR"
"$launcher" reg delete "$uninstall_key" /f >/dev/null 2>&1
"$launcher" reg delete "$uninstall_key32" /f >/dev/null 2>&1
finish
