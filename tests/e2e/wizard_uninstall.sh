#!/usr/bin/env bash
# The uninstaller as the system's programs list starts it: the entry's command
# without switches. It moves to the temporary folder, asks for the language,
# shows its options page, removes the copy and ends on its finish page.
#
#   wizard_uninstall.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

prepare "$drive/ZIVR-wizard-u"
mkdir -p "$appdata/ZIVR"
echo keep > "$appdata/ZIVR/playlist.txt"
"$launcher" "$setup" '/AUTO=C:\ZIVR-wizard-u' /SILENT
check "the copy to remove is installed" test $? -eq 0

command=$(reg_value "$uninstall_key" UninstallString)
check "the entry's command has no switches" test "$command" = 'C:\ZIVR-wizard-u\Uninstall.exe'
start "$command"
{ language; cat <<'SCRIPT'; } | drive
wait PageUninstallParams 30000
expect visible bBack 0
expect text bNext Uninstall
expect checked PageUninstallParams/CB1 0
expect checked PageUninstallParams/CB2 0
click bNext
wait PageUninstallFinish 120000
expect text bNext Finish
click bNext
gone 30000
SCRIPT
check "the uninstall wizard went through its pages" test $? -eq 0
# The first process waits for its copy in the temporary folder and passes on its code.
ends_well "the first process, which waits for the removal,"
"$launcher" --stop # the uninstaller ran on from the temporary folder
dest=$drive/ZIVR-wizard-u
check "the player is removed" test ! -e "$dest/ZIVR.exe"
check "the uninstaller's files are removed" test ! -e "$dest/Uninstall.dat"
check "the uninstall entry is removed" test -z "$(reg_value "$uninstall_key" DisplayName)"
check "the profile is kept" test -f "$appdata/ZIVR/playlist.txt"

forget "$dest" "$appdata/ZIVR"
finish
