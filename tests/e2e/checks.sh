# Shared by the end-to-end scripts: counted checks and the closing line.
# Without a display an error box returns at once instead of waiting for a click.
unset DISPLAY

failures=0 passes=0
check() { # check DESCRIPTION COMMAND...
  if "${@:2}"; then passes=$((passes + 1)); else echo "FAILED: $1"; failures=$((failures + 1)); fi
}
finish() {
  echo "$passes passed, $failures failed"
  [ "$failures" -eq 0 ]
}
