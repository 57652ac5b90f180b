#!/usr/bin/env bash
# The main job: installs what is needed, builds everything (host tools and
# checks, and the win64 product) and says what was built.
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

# What came out: the programs and DLLs of each build (static libraries left out).
list_outputs() { # PRESET
  find "build/$1" -type f \( -name '*.exe' -o -name '*.dll' -o -perm -u+x \) \
    ! -path '*/CMakeFiles/*' ! -name '*.a' ! -name '*.sh' ! -name 'CTest*' -print | sort
}

printf '\n===== built =====\n'
for p in host win64; do
  echo "$p (build/$p):"
  while IFS= read -r f; do
    printf '  %-60s %8s bytes\n' "${f#build/$p/}" "$(stat -c %s "$f")"
  done < <(list_outputs "$p")
done
