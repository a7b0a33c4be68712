#!/usr/bin/env bash
# Sets up, builds Kvilmar for release (with Debian's hardening) and makes its
# Debian package with CPack.
# Prints the package's path; install it with
#   sudo apt install ./build-package/kvilmar_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-package"
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DKVILMAR_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
(cd "$build" && cpack -G DEB -B "$build" >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log"; exit 1; }
ls "$build"/kvilmar_*.deb
