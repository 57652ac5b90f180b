#!/usr/bin/env bash
# The vendor's build command beside makensis on the same payload at the same
# level: about 1,000 files / 56 MB of this machine's Windows DLLs, message
# catalogues and icons; solid LZMA with a 4 MiB dictionary on both sides
# (our level 4). Races them with hyperfine, alternating, and prints the ratio
# of the medians and the sizes.
#
#   bench/vendor/run.sh ZIVR_SETUP STUB [WORKDIR]
set -u
tool=$(realpath "$1") stub=$(realpath "$2")
work=${3:-/tmp/zivr-vendor-bench}
here=$(dirname "$(realpath "${BASH_SOURCE[0]}")")
demo=$here/../../demo/setup
for need in makensis hyperfine; do
  command -v "$need" >/dev/null || { echo "needs $need (apt-get install nsis hyperfine)"; exit 1; }
done

rm -rf "$work" && mkdir -p "$work/product/dlls" "$work/product/locale" "$work/product/icons"
cd "$work"
# The payload: the smallest Wine DLLs up to about 45 MB, message catalogues, icons.
budget=$((45 * 1000 * 1000))
while read -r size file; do
  ((budget -= size)) || true
  ((budget > 0)) || break
  cp "$file" product/dlls/
done < <(find /usr/lib/x86_64-linux-gnu/wine/x86_64-windows -name '*.dll' -printf '%s %p\n' | sort -n)
find /usr/share/locale -name '*.mo' -size -200k | sort | head -250 | while read -r f; do
  cp "$f" "product/locale/$(echo "${f#/usr/share/locale/}" | tr / _)"
done
find /usr/share/icons -name '*.png' -size +8k | sort | head -150 | while read -r f; do
  cp "$f" "product/icons/$(echo "${f#/usr/share/icons/}" | tr / _)"
done
files=$(find product -type f | wc -l)
bytes=$(du -sb product | cut -f1)

# The setup folder of the demo with a script that installs every payload file.
cp -r "$demo" setup
rm -f setup/ZIVRExtrasSetup.exe setup/addons.ini
{
  sed -n '1,/<Components>/p' "$demo/Install.xml"
  (cd product && find . -type f | sort | sed 's|^\./||') | while read -r f; do
    w=${f//\//\\}
    echo "      <File name=\"\$DEST\\$w\">$w</File>"
  done
  sed -n '/<\/Components>/,$p' "$demo/Install.xml" | sed '/<Actions>/,/<\/Actions>/d'
} >setup/Install.xml

# The NSIS installer of the same files.
cat >peer.nsi <<NSI
Unicode true
SetCompressor /SOLID lzma
SetCompressorDictSize 4
OutFile "peer.exe"
InstallDir "\$PROGRAMFILES64\\ZIVR"
RequestExecutionLevel admin
Section
  SetOutPath "\$INSTDIR"
  File /r "product\\*.*"
SectionEnd
NSI

echo "payload: $files files, $bytes bytes"
hyperfine --warmup 1 --runs 5 --export-json times.json \
  -n zivr-setup "'$tool' build --setup setup --product product --stub '$stub' --level 4 -o ours.exe 2>/dev/null" \
  -n makensis "makensis -V1 -XTarget\\ amd64-unicode peer.nsi"
python3 - <<'PY'
import json, os
r = {x["command"]: x for x in json.load(open("times.json"))["results"]}
ours, peer = r["zivr-setup"]["median"], r["makensis"]["median"]
print(f"median: zivr-setup {ours:.2f} s, makensis {peer:.2f} s, ratio {ours / peer:.2f}")
print(f"size: ours.exe {os.path.getsize('ours.exe')}, peer.exe {os.path.getsize('peer.exe')}")
PY
