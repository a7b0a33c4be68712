#!/usr/bin/env bash
# Builds the libFuzzer target of the fill command's table reader with clang,
# AddressSanitizer and UndefinedBehaviorSanitizer, and runs it for a bounded
# time (FUZZ_SECONDS, 60 by default). Exits non-zero on a crash or a
# sanitizer report.
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
build="$root/build-fuzz-table"
seconds="${FUZZ_SECONDS:-60}"
mkdir -p "$build/corpus"

CXX="${CXX_FUZZ:-clang++}"
read -r -a qt_flags <<<"$(pkg-config --cflags --libs Qt6Core)"
"$CXX" -std=c++20 -g -O1 -fPIC \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/src" "${qt_flags[@]}" \
  "$root/tests/automatic/fuzz/TableFuzzTarget.cpp" \
  "$root/src/automatic/CsvTable.cpp" \
  "$root/src/automatic/DataTable.cpp" \
  "$root/src/automatic/OutputNames.cpp" \
  "$root/src/automatic/ReplacementSources.cpp" \
  "$root/src/general/IdentifierList.cpp" \
  "$root/src/common/Codec1251.cpp" \
  -o "$build/table_fuzz" "${qt_flags[@]}"

# A few seeds: 1251 with semicolons, UTF-8 with a BOM and quoted line breaks.
printf '[\xd4\xc8\xce];[\xd1\xf3\xec\xec\xe0]\r\n\xc8\xe2\xe0\xed\xee\xe2;100\r\n' >"$build/corpus/cp1251"
printf '\xef\xbb\xbfa,b\n"x,""y""",1\n"line\r\nbreak",2\n' >"$build/corpus/utf8"
printf 'a\tb\n1\t2\n\n' >"$build/corpus/tabs"

cd "$build"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
  ./table_fuzz -max_total_time="$seconds" -max_len=65536 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus
