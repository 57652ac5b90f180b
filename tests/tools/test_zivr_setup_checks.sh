#!/usr/bin/env bash
# The checks of zivr-setup before building, each shown with a broken copy of
# the demo folders: exit status, and the message with its file and line.
#
#   test_zivr_setup_checks.sh ZIVR_SETUP DEMO_DIR
set -uo pipefail

tool=$(realpath "$1")
demo=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1

failures=0 passes=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# Fresh copies of the demo folders, completed with the programs the build adds.
fresh() {
  rm -rf setup product
  cp -r "$demo/setup" setup
  cp -r "$demo/product" product
  mkdir -p product/System
  : >product/ZIVR.exe
  : >product/Elevator.exe
  : >product/System/zivr_menu64.dll
  : >setup/ZIVRExtrasSetup.exe
}

# Line number of the first line of FILE holding TEXT.
line_of() { grep -nF -- "$2" "$1" | head -1 | cut -d: -f1; }

# case NAME STATUS EXPECTED MUTATION: the mutation is run on fresh copies; the
# expected text (a fixed string) must be a line of the report.
case_() {
  local name=$1 status=$2 expected=$3 mutation=$4
  fresh
  eval "$mutation"
  "$tool" check --setup setup --product product >out.txt 2>err.txt
  local got=$?
  if [[ $got != "$status" ]]; then
    fail "$name: exit $got, expected $status: $(cat err.txt)"
  elif [[ -n $expected ]] && ! grep -qxF -- "$expected" err.txt; then
    fail "$name: no line \"$expected\" in: $(cat err.txt)"
  else
    passes=$((passes + 1))
  fi
}

xml=setup/Install.xml
fresh
zivr_line=$(line_of "$xml" 'name="$DEST\ZIVR.exe"')
settings_line=$(line_of "$xml" '<Settings>')
license_line=$(line_of "$xml" 'License_ru.rtf')

case_ "the demo passes" 0 "" ":"
case_ "script missing" 1 "setup/Install.xml: error: missing: the setup folder needs its script" \
  "rm $xml"
case_ "script does not parse" 1 \
  "setup/Install.xml:$zivr_line: error: the script does not parse: Start-end tags mismatch" \
  "sed -i 's|<File name=\"\$DEST\\\\ZIVR.exe\"/>|<File name=\"x\"></Fil>|' $xml"
case_ "no product element" 1 \
  "setup/Install.xml: error: no <product> element: the script lacks the product settings" \
  "sed -i 's|<product>|<produce>|; s|</product>|</produce>|' $xml"
case_ "product name missing" 1 \
  "setup/Install.xml:$settings_line: error: the product settings lack \"ProductName\"" \
  "sed -i '/name=\"ProductName\"/d' $xml"
case_ "version id not a number" 1 \
  "setup/Install.xml:$(line_of "$demo/setup/Install.xml" ProductVersionId): error: \"ProductVersionId\" is not a whole number" \
  "sed -i 's|value=\"5620\"|value=\"5.62\"|' $xml"
case_ "publisher missing is a warning" 0 \
  "setup/Install.xml:$settings_line: warning: the product settings lack \"Publisher\"" \
  "sed -i '/name=\"Publisher\"/d' $xml"
case_ "component file missing" 1 \
  "setup/Install.xml:$zivr_line: error: the Components entry names \"ZIVR.exe\", which is in neither the product folder nor the setup folder" \
  "rm product/ZIVR.exe"
case_ "component found ignoring case" 0 "" "mv product/Elevator.exe product/ELEVATOR.EXE"
case_ "product file nobody installs is a warning" 0 \
  "product/Skins/Unused.zsk4: warning: no Components entry installs this file" \
  ": >product/Skins/Unused.zsk4"
case_ "license missing" 1 \
  "setup/Install.xml:$license_line: error: the license \"License_ru.rtf\" is in neither folder" \
  "rm setup/License_ru.rtf"
case_ "wizard image missing" 1 \
  "setup/wizard_dark.png: error: missing: the wizard shows this image" "rm setup/wizard_dark.png"
case_ "add-ons installer missing" 1 \
  "setup/addons.ini:$(line_of "$demo/setup/addons.ini" P4=): error: \"ZIVRExtrasSetup.exe\" is in neither the setup folder nor the product folder" \
  "rm setup/ZIVRExtrasSetup.exe"
case_ "English missing" 1 \
  "setup/English.lng: error: missing: English is the language every other one falls back to" \
  "rm setup/English.lng"
case_ "language file does not parse" 1 \
  "setup/German.lng:4: error: the language file does not parse: neither [section] nor key=value" \
  "sed -i '4s/.*/this line has no equals sign/' setup/German.lng"
case_ "a key English lacks" 1 \
  "setup/German.lng:$(($(line_of setup/German.lng '[Common]') + 1)): error: the key \"Extra\" of [COMMON] is not in English.lng, which every language falls back to" \
  "sed -i 's/^\[Common\]/[Common]\nExtra=Zusatz/' setup/German.lng"
case_ "a key the translation lacks is a warning" 0 \
  "setup/German.lng: warning: lacks \"bBack\" of [COMMON] (English.lng line $(line_of "$demo/setup/English.lng" bBack=)); the English text is shown" \
  "sed -i '/^bBack=/d' setup/German.lng"
case_ "reserved device name" 1 \
  "product/Help/aux.htm: error: Windows cannot create this name: it is the reserved device name AUX" \
  ": >product/Help/aux.htm"
case_ "trailing dot" 1 \
  "product/Help/index.: error: Windows cannot create this name: it ends with a dot or a blank, which Windows drops" \
  ": >product/Help/index."
case_ "trailing blank" 1 \
  "product/Help/read me : error: Windows cannot create this name: it ends with a dot or a blank, which Windows drops" \
  ": >'product/Help/read me '"
case_ "forbidden character" 1 \
  "product/Help/what?.htm: error: Windows cannot create this name: it holds the character ?, which Windows forbids in names" \
  ": >'product/Help/what?.htm'"
case_ "forbidden target name" 1 \
  "setup/Install.xml:$zivr_line: error: Windows cannot create the target \"\$DEST\\CON.exe\": it is the reserved device name CON" \
  "sed -i 's|<File name=\"\$DEST\\\\ZIVR.exe\"/>|<File name=\"\$DEST\\\\CON.exe\">ZIVR.exe</File>|' $xml"
case_ "names equal ignoring case" 1 \
  "product/help/INDEX.htm: error: the same name as product/Help/index.htm when case is ignored, as Windows does" \
  "mkdir -p product/help && : >product/help/INDEX.htm"
case_ "two entries write one target" 1 \
  "setup/Install.xml:$((zivr_line + 1)): error: the target \"\$DEST\\zivr.exe\" is also written by line $zivr_line (names are compared ignoring case)" \
  "sed -i 's|<File name=\"\$DEST\\\\Elevator.exe\"/>|<File name=\"\$DEST\\\\zivr.exe\">Elevator.exe</File>|' $xml"

# Every error of a run is listed, not just the first.
fresh
rm setup/wizard_dark.png product/ZIVR.exe
: >product/Help/nul
"$tool" check --setup setup --product product >out.txt 2>err.txt
[[ $? == 1 ]] || fail "several errors: exit status"
[[ $(grep -c ': error: ' err.txt) == 3 ]] || fail "several errors: not all three listed: $(cat err.txt)"
grep -q '^3 errors, [0-9]* warnings: nothing built$' err.txt || fail "several errors: no summary: $(cat err.txt)"
[[ $failures == 0 ]] && passes=$((passes + 1))

echo "$passes passed, $failures failed"
[[ $failures == 0 ]]
