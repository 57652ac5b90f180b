#!/usr/bin/env bash
# The programs we ship import only libraries that Windows takes from its own
# folder whatever the search path: its known libraries. Any other import (and
# any import of that library) is looked for beside the program first, before
# the program can restrict the library search, and a downloads folder may
# hold a library planted there under that name. A library the program needs
# beyond these is loaded at run time, after the restriction
# (ZUX/UI/SystemLibraries.h shows how). The shell and its helpers are known
# libraries, but they load at their first call (ZUX/Base/shell32.def): loaded
# with the program they delay its first window.
#
#   imports.sh OBJDUMP PROGRAM...
set -uo pipefail
objdump=$1
shift
known='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comdlg32|msvcrt)\.dll$'
deferred='^(shell32|shlwapi)\.dll$'
failures=0
for program in "$@"; do
  names=$("$objdump" -p "$program" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
  [[ -n $names ]] || { echo "FAILED: no imports read from $program"; failures=$((failures + 1)); continue; }
  while IFS= read -r name; do
    [[ $name =~ $known ]] ||
      { echo "FAILED: $(basename "$program") imports $name, not a known system library"; failures=$((failures + 1)); }
    [[ $name =~ $deferred ]] &&
      { echo "FAILED: $(basename "$program") loads $name with itself, not at its first call"; failures=$((failures + 1)); }
  done <<< "$names"
  echo "$(basename "$program"): $(echo $names)"
done
[ "$failures" -eq 0 ]
