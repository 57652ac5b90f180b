#!/usr/bin/env bash
# Closing the wizard: before the run the "QM" question guards it and nothing
# is done; a run that fails stays on the finish page with its errors, the
# system menu's Close does nothing any more, only the last button closes,
# and the exit code tells the failure.
#
#   wizard_close.sh SETUP.exe DRIVER.exe LAUNCHER WORKDIR FIXTURES IPK5
set -uo pipefail
setup=$1 driver=$2 launcher=$3 work=$4 fixtures=$5
source "$(dirname "${BASH_SOURCE[0]}")/wizard.sh"

prepare "$drive/ZIVR-closed"

# Before the run: Cancel keeps the wizard, OK closes it and nothing happens.
start "$setup"
{ language; cat <<'SCRIPT'; } | drive
wait PageWelcome 30000
close
window MessageDialog 5000
contains . ZIVR Setup
click Cancel
gone 5000
window WizardForm 3000
wait PageWelcome 3000
close
window MessageDialog 5000
click OK
gone 5000
SCRIPT
check "the close question is asked and answered" test $? -eq 0
check "Setup.exe ends after OK" ended 30
# ERROR_CANCELLED (1223); Wine hands its low byte to the shell.
check "closing before the run tells a script it was cancelled" test "$(exit_code)" = $((1223 & 255))
check "nothing was installed" test ! -e "$drive/Program Files/ZIVR/ZIVR.exe"
cleanup_run

# A run that fails (the backup folder is taken by a file): the finish page
# lists the error and stays; Close in the system menu does nothing.
dest=$drive/e2e-fail-5300
rm -rf "$dest" "$appdata/ZIVR"
cp -r "$fixtures/v5300-peruser/Program" "$dest"
mkdir -p "$appdata" && cp -r "$fixtures/v5300-peruser/AppData/." "$appdata/"
rm -rf "$dest/!Backup" && echo taken > "$dest/!Backup"
start "$setup" '/AUTO=C:\e2e-fail-5300'
drive <<'SCRIPT'
window WizardForm 30000
wait PageFinish 120000
contains PageFinish/L1 Installation failed
expect visible PageFinish/#Edit 1
expect visible PageFinish/CB1 0
sysclose
sleep 300
wait PageFinish 2000
expect text bNext Finish
click bNext
gone 10000
SCRIPT
check "a failed run stays on the finish page until Finish" test $? -eq 0
check "the failed run ends" ended 30
check "the failed run's exit code is not 0" test "$(exit_code)" != 0 -a "$(exit_code)" != none
check "the failed run started no player" test ! -e "$dest/ZIVR.log"
cleanup_run

forget "$dest" "$appdata/ZIVR" "$drive/ZIVR-closed"
finish
