#!/usr/bin/env bash
# Sets up, builds and starts Kvilmar. Arguments are passed to the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
# The office in Russian with Russian spelling, as the installed package
# recommends it (the tests keep the office as it is).
"$root/scripts/setup.sh" libreoffice-l10n-ru hunspell-ru
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVILMAR_TESTS=OFF >/dev/null
cmake --build "$root/build" -j"$(nproc)" >/dev/null
exec "$root/build/src/app/kvilmar" "$@"
