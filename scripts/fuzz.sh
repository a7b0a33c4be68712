#!/usr/bin/env bash
# Builds the libFuzzer targets of every reader of outside input with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer (tests/fuzz), and runs each
# for a bounded time from its seed files. Exits non-zero when a target
# crashes, leaks, trips a sanitizer or breaks one of its invariants; the
# input that did it is kept in build-fuzz/artifacts/.
#
#   scripts/fuzz.sh                 every target, about 3 minutes in all
#   scripts/fuzz.sh --minutes 60    a longer run, shared among the targets
#   scripts/fuzz.sh net amounts     only the targets named
#
# A target is tests/fuzz/<Name>Fuzz.cpp, its line in tests/fuzz/CMakeLists.txt
# (fuzz_<target>) and its seed folder tests/fuzz/corpus/<target>; an optional
# tests/fuzz/corpus/<target>.options holds further libFuzzer flags.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz"
seeds="$root/tests/fuzz/corpus"

minutes=3
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    --minutes) minutes="$2"; shift 2 ;;
    --minutes=*) minutes="${1#*=}"; shift ;;
    -h|--help) sed -n '2,15p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done
if [ ${#targets[@]} -eq 0 ]; then
  for folder in "$seeds"/*/; do targets+=("$(basename "$folder")"); done
fi
seconds=$(( minutes * 60 / ${#targets[@]} ))
[ "$seconds" -ge 1 ] || seconds=1

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g -O1"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_COMPILER="${CXX_FUZZ:-clang++}" \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DKVILMAR_TESTS=OFF -DKVILMAR_FUZZ=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target "${targets[@]/#/fuzz_}" >/dev/null

mkdir -p "$build/artifacts"
failed=()
for target in "${targets[@]}"; do
  # New inputs go to the build folder; the seeds in the tree stay as they are.
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  extra=()
  [ -f "$seeds/$target.options" ] && read -r -a extra <"$seeds/$target.options"
  echo "fuzz: $target for $seconds s"
  if ! UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
      "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
      -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 "${extra[@]}" \
      "$corpus" "$seeds/$target" >"$build/fuzz-$target.log" 2>&1; then
    tail -n 40 "$build/fuzz-$target.log"
    failed+=("$target")
  else
    grep -E '^stat::number_of_executed_units' "$build/fuzz-$target.log" | sed "s/^/fuzz: $target /" || true
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failed: ${failed[*]} (inputs in $build/artifacts)"
  exit 1
fi
echo "fuzz: no failure in ${targets[*]}"
