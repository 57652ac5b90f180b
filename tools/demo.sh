#!/usr/bin/env bash
# The main job: installs what is needed, builds everything (host tools and the
# win64 product), then runs the demo Setup.exe under Wine as a script would:
# a fresh installation, an update over an older copy, and the silent removal,
# showing what each did.
#
#   bash tools/demo.sh
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash tools/bootstrap.sh

for p in host win64; do
  printf '\n===== %s: configure and build =====\n' "$p"
  cmake --preset "$p"
  cmake --build --preset "$p" -j 2
done

setup=build/win64/Setup.exe
ipk5=build/host/tools/ipk5/ipk5
printf '\n===== built =====\n'
printf '  %s (%s bytes; imports: %s)\n' "$setup" "$(stat -c %s "$setup")" \
  "$(x86_64-w64-mingw32-objdump -p "$setup" | sed -n 's/^\s*DLL Name: //p' | sort | tr '\n' ' ')"
printf '  %s\n' "$ipk5"

# The demo runs in a Wine prefix of its own, made afresh, without a display:
# everything it does is what an unattended script would see.
export ZIVR_WINEPREFIX=$root/build/wine-demo
unset DISPLAY
wine=tools/wine-run.sh
rm -rf "$ZIVR_WINEPREFIX"
drive=$("$wine" --prefix)/drive_c
appdata=$drive/users/$(id -un)/AppData/Roaming
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ZIVR'
trap 'bash "$root/tools/wine-run.sh" --stop' EXIT

show_tree() { # FOLDER
  (cd "$1" && find . -type f | sed 's|^\./|    |' | sort)
}
show_entry() {
  "$wine" reg query "$key" 2>/dev/null | tr -d '\r' | sed -n 's/^ \{4\}/    /p' || echo "    (none)"
}
show_log() { # FOLDER
  local dir
  dir=$(mktemp -d)
  "$ipk5" extract "$1/Uninstall.dat" -o "$dir" >/dev/null
  iconv -f UTF-16 -t UTF-8 "$dir/Uninstall.ini" | tr -d '\r' | sed 's/^/    /'
  rm -rf "$dir"
}
step() { printf '\n===== %s =====\n' "$*"; }

step 'fresh installation: Setup.exe /AUTO /SILENT'
"$wine" "$setup" /AUTO /SILENT && echo "exit code 0"
dest="$drive/Program Files/ZIVR"
echo "  files in C:\\Program Files\\ZIVR:"; show_tree "$dest"
echo "  uninstall entry:"; show_entry
echo "  uninstall log (Uninstall.ini in Uninstall.dat, read back with ipk5):"; show_log "$dest"
echo "  integration switches given to Elevator.exe:"; sed 's/^/    /' "$dest/Elevator.log"

step 'update of an installed copy of version 5.30: Setup.exe /AUTO=C:\ZIVR-5.30 /SILENT'
cp -r demo/fixtures/v5300-peruser/Program "$drive/ZIVR-5.30"
mkdir -p "$appdata" && cp -r demo/fixtures/v5300-peruser/AppData/. "$appdata/"
echo "  before:"; show_tree "$drive/ZIVR-5.30"
"$wine" "$setup" '/AUTO=C:\ZIVR-5.30' /SILENT && echo "exit code 0"
echo "  after:"; show_tree "$drive/ZIVR-5.30"
for zip in "$drive/ZIVR-5.30/!Backup/"*5.62*.zip; do
  echo "  backup archive $(basename "$zip"):"; unzip -Z1 "$zip" | sed 's/^/    /'
done

step 'silent removal: C:\ZIVR-5.30\Uninstall.exe /AUTO /SILENT'
"$wine" 'C:\ZIVR-5.30\Uninstall.exe' /AUTO /SILENT && echo "exit code 0"
"$wine" --stop # the uninstaller finishes from a copy in the temporary folder
echo "  left in C:\\ZIVR-5.30 (the stand-ins' own records and the configuration):"
show_tree "$drive/ZIVR-5.30"
echo "  the user's profile stays: $(cd "$appdata" && ls -d ZIVR)"
echo "  uninstall entry:"; show_entry
