#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test. Exits non-zero when any test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-test"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKVILMAR_SANITIZE=ON -DKVILMAR_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# Every reader of outside input under libFuzzer, about 3 minutes in all.
"$root/scripts/fuzz.sh" --minutes "${FUZZ_MINUTES:-3}" >"$build/fuzz.log" 2>&1 \
  || { tail -n 60 "$build/fuzz.log"; echo "fuzz: failed"; exit 1; }
tail -n 1 "$build/fuzz.log"

cd "$build"
# Tests that need an office take one of the office slots (tests/CMakeLists.txt);
# the others run beside them.
ctest --output-on-failure --timeout 900 -j"$(nproc)" "$@"
