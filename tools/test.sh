#!/usr/bin/env bash
# The test command: bootstrap, then configure, build and test every preset.
#
#   bash tools/test.sh [PRESET...]     (default: host host-asan win64)
#
# Every preset runs even when an earlier one fails. Exit status is non-zero
# when a preset fails to configure or build, a test fails, or a preset runs
# no test at all. A preset that does not build counts each of its tests (or
# one, if none are known) as failed, and one that runs no test counts one
# failure, so the totals never look better than the run was. The last line is
# "N passed, N failed".
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

presets=("$@")
((${#presets[@]})) || presets=(host host-asan win64)
jobs=2

# No Wine process may outlive the run, whatever way it ends.
trap 'bash "$root/tools/wine-run.sh" --stop' EXIT

banner() { printf '\n===== %s =====\n' "$*"; }

if ! bash tools/bootstrap.sh; then
  echo "bootstrap failed"
  echo "0 passed, 1 failed"
  exit 1
fi

logdir=$root/build/logs
mkdir -p "$logdir"
total_pass=0 total_fail=0 status=0
summary=()

for p in "${presets[@]}"; do
  pass=0 fail=0 note= t0=$SECONDS
  banner "$p: configure"
  if ! cmake --preset "$p"; then
    note="configure failed"
  else
    banner "$p: build"
    if ! cmake --build --preset "$p" -j "$jobs"; then
      note="build failed"
    fi
  fi

  if [[ -n $note ]]; then
    known=$(ctest --preset "$p" -N 2>/dev/null | sed -n 's/^Total Tests: //p')
    fail=${known:-0}
    ((fail > 0)) || fail=1
  else
    banner "$p: test"
    log=$logdir/ctest-$p.log
    # Windows programs get a virtual display, so tests of real top-level
    # windows run too (the end-to-end tests take it away again).
    display=()
    [[ $p == win64 ]] && command -v xvfb-run >/dev/null && display=(xvfb-run -a)
    "${display[@]}" ctest --preset "$p" --output-on-failure -j "$jobs" 2>&1 | tee "$log"
    ctest_rc=${PIPESTATUS[0]}
    line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n1)
    if [[ $line =~ ([0-9]+)\ tests\ failed\ out\ of\ ([0-9]+) ]]; then
      fail=${BASH_REMATCH[1]}
      pass=$((BASH_REMATCH[2] - fail))
    fi
    if ((pass + fail == 0)); then
      note="no tests ran"
      fail=1
    elif ((fail > 0)); then
      note="tests failed"
    elif ((ctest_rc != 0)); then
      note="ctest exit status $ctest_rc"
      fail=1
    fi
  fi

  total_pass=$((total_pass + pass))
  total_fail=$((total_fail + fail))
  if [[ -n $note ]]; then
    status=1
    summary+=("$(printf '%-10s FAIL  %d passed, %d failed (%s)  [%d s]' "$p" "$pass" "$fail" "$note" $((SECONDS - t0)))")
  else
    summary+=("$(printf '%-10s ok    %d passed, %d failed  [%d s]' "$p" "$pass" "$fail" $((SECONDS - t0)))")
  fi
done

banner summary
printf '%s\n' "${summary[@]}"
echo "$total_pass passed, $total_fail failed"
exit $status
