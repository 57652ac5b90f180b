#!/usr/bin/env bash
# The install benchmark: our Setup.exe against an NSIS installer of the same
# files, install and removal raced under Wine with hyperfine, alternating.
#
#   bash bench/install/run.sh [--runs N] [--runs-many N] [--no-build] [--prefix DIR] [SET...]
#
# SETs: machine (about 1,000 of this machine's files, some 56 MB: Windows DLLs,
# icons, message catalogues), gen1000 and gen10000 (generated small files);
# default all three. Each round races install, then removal, of both
# installers, the order alternating from round to round; figures are medians
# of N rounds (default 5; gen10000 takes --runs-many, default 3, to keep the
# run affordable on a shared machine). --no-build races the installers made
# by an earlier run as they are. The race's Wine prefix lives on a tmpfs,
# /dev/shm/zivr-wine-bench-<checkout>, when /dev/shm has 3 GiB free, else in
# build/wine-bench (with a note); --prefix DIR puts it in DIR. See README.md
# beside this script.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$root"
here=$root/bench/install

runs=5
runs_many=3
build_installers=1
bench_prefix=
sets=()
while (($#)); do
  case $1 in
    --runs) runs=$2; shift 2 ;;
    --runs-many) runs_many=$2; shift 2 ;;
    --no-build) build_installers=0; shift ;;
    --prefix) bench_prefix=$(realpath -m "$2"); shift 2 ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    -*) echo "run.sh: unknown option $1" >&2; exit 2 ;;
    *) sets+=("$1"); shift ;;
  esac
done
((${#sets[@]})) || sets=(machine gen1000 gen10000)

# On a disk file system the race's own deletions slow the creates that follow
# (see README.md); a tmpfs leaves the installers' own costs. The prefix with
# 10,000 files installed by both takes well under 1 GiB.
if [[ -z $bench_prefix ]]; then
  shm_free_kb=$(df -Pk /dev/shm 2>/dev/null | awk 'NR == 2 { print $4 }')
  if [[ -d /dev/shm && -w /dev/shm && ${shm_free_kb:-0} -ge $((3 * 1024 * 1024)) ]]; then
    # one per checkout, as several may race on the machine
    bench_prefix=/dev/shm/zivr-wine-bench-$(printf %s "$root" | md5sum | cut -c1-8)
  else
    bench_prefix=$root/build/wine-bench
    echo "run.sh: note: /dev/shm is missing or has less than 3 GiB free; the prefix is on" \
      "$bench_prefix, where the race's deletions weigh on the figures" >&2
  fi
fi

# The deliberate waits: closing the player (2 s) and the pause after the shell
# notification (1 s) in an installation; the close pass (2 s) in a removal.
install_waits=3.0
removal_waits=2.0

work=$root/build/bench-install
build=$root/build/win64
mkdir -p "$work/times"

step() { printf '\n== %s\n' "$*"; }

step "tools"
if ! command -v makensis >/dev/null || ! command -v hyperfine >/dev/null; then
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q nsis hyperfine >/dev/null
fi
echo "makensis $(makensis -VERSION), $(hyperfine --version)"

if ((build_installers)); then
  step "build: stand-ins and host tools"
  [[ -f $build/CMakeCache.txt ]] || cmake --preset win64 >/dev/null
  cmake --build --preset win64 --target demo_stage -j 2 >/dev/null

  step "payloads: ${sets[*]}"
  python3 "$here/make_payloads.py" "$work" "$build/demo/stage/setup" "$build/demo/stage/product" \
    "${sets[@]}"

  step "installers"
  cmake -S "$root" -B "$build" -DZIVR_BENCH_PAYLOADS="$work/payloads" >/dev/null
  targets=()
  for s in "${sets[@]}"; do targets+=(--target "bench_setup_$s"); done
  cmake --build "$build" "${targets[@]}" -j 2 >/dev/null
  for s in "${sets[@]}"; do
    nsi=$work/nsis/$s.nsi exe=$work/nsis/$s.exe
    if [[ ! -f $exe || $nsi -nt $exe ]]; then
      t0=$(date +%s.%N)
      makensis -V1 "$nsi"
      printf '%s: makensis %.1f s\n' "$s" "$(echo "$(date +%s.%N) - $t0" | bc)"
    fi
  done
fi

# A prefix of the benchmark's own, without a display, with one server kept
# running so that no run pays for starting it.
export ZIVR_WINEPREFIX=$bench_prefix
unset DISPLAY
prefix=$(tools/wine-run.sh --prefix)
tools/wine-run.sh --persist
trap 'tools/wine-run.sh --kill' EXIT

timed() { # NAME FILE COMMAND... : one run, its wall time appended to FILE
  local json=$work/times/last.json
  hyperfine -N --runs 1 --style none --export-json "$json" --command-name "$1" -- "${*:3}" \
    >/dev/null 2>&1 || { echo "run.sh: $1 failed: ${*:3}" >&2; exit 1; }
  python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["results"][0]["times"][0])' \
    "$json" >>"$2"
}

stepsh="bash $here/step.sh"
for s in "${sets[@]}"; do
  n=$runs
  [[ $s == gen10000 ]] && n=$runs_many
  setup=$work/payloads/$s/Setup.exe nsis=$work/nsis/$s.exe
  out=$work/times/$s
  rm -f "$out".*
  step "race $s: $n rounds"
  for ((r = 1; r <= n; r++)); do
    order=(ours nsis)
    ((r % 2)) || order=(nsis ours)
    for who in "${order[@]}"; do
      exe=$setup
      [[ $who == nsis ]] && exe=$nsis
      $stepsh "clean-$who"
      timed "install-$who" "$out.install.$who" $stepsh "install-$who" "$exe"
    done
    if ((r == 1)); then
      # Both put every payload file where it belongs, under its own name.
      listing() { (cd "$1" && find . -type f | sort); }
      want=$(listing "$work/payloads/$s/product/Data")
      for who in ours nsis; do
        dir=$prefix/drive_c/Program\ Files/ZIVR
        [[ $who == nsis ]] && dir+=-NSIS
        wrong=$(diff <(echo "$want") <(listing "$dir/Data") | grep -c '^[<>]' || true)
        ((wrong == 0)) || echo "run.sh: WARNING: $who: $wrong payload files missing or misnamed"
      done
      echo "payload: $(echo "$want" | wc -l) files"
    fi
    for who in "${order[@]}"; do
      timed "remove-$who" "$out.remove.$who" $stepsh "remove-$who"
      sleep 1 # the uninstaller's copy in the temporary folder finishes
    done
    printf 'round %d: install %s s / %s s, removal %s s / %s s (ours / NSIS)\n' "$r" \
      "$(tail -1 "$out.install.ours")" "$(tail -1 "$out.install.nsis")" \
      "$(tail -1 "$out.remove.ours")" "$(tail -1 "$out.remove.nsis")"
  done
  $stepsh clean-ours
  $stepsh clean-nsis
done

step "results $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(tools/wine-run.sh --version 2>/dev/null || echo wine)"
python3 "$here/report.py" "$work" "$install_waits" "$removal_waits" "${sets[@]}" |
  tee "$work/results.md"
