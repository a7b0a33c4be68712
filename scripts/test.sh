#!/usr/bin/env bash
# Sets up, builds with AddressSanitizer and UndefinedBehaviorSanitizer, and
# runs every test. Exits non-zero when any test fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-test"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Debug -DKVILMAR_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"

# The network readers under libFuzzer for a bounded time.
FUZZ_SECONDS="${FUZZ_SECONDS:-60}" "$root/scripts/fuzz-net.sh" >"$build/fuzz-net.log" 2>&1 \
  || { tail -n 60 "$build/fuzz-net.log"; echo "fuzz-net: failed"; exit 1; }
echo "fuzz-net: no crash in ${FUZZ_SECONDS:-60} s"

cd "$build"
ctest --output-on-failure --timeout 900 "$@"
