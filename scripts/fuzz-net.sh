#!/usr/bin/env bash
# Builds the libFuzzer target of the network readers (URL splitter and
# response header reader) with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer, and runs it for a bounded time
# (FUZZ_SECONDS, 60 by default). Exits non-zero on a crash or a sanitizer
# report.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build-fuzz-net"
seconds="${FUZZ_SECONDS:-60}"
mkdir -p "$build/corpus"

CXX="${CXX_FUZZ:-clang++}"
read -r -a qt_flags <<<"$(pkg-config --cflags --libs Qt6Core)"
"$CXX" -std=c++20 -g -O1 -fPIC \
  -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all \
  -I"$root/src" "${qt_flags[@]}" \
  "$root/tests/net/fuzz/NetFuzzTarget.cpp" \
  "$root/src/net/HttpUrl.cpp" \
  "$root/src/net/HttpResponseHeader.cpp" \
  -o "$build/net_fuzz" "${qt_flags[@]}"

# A few seeds: the version file URL, a redirect and a plain response.
printf 'http://www.kvilmar.ru/brennic/kvilmar.iss' >"$build/corpus/url"
printf 'HTTP/1.0 302 Found\r\nLocation: http://127.0.0.1:8080/x\r\nSet-Cookie: a=b\r\n\r\n' >"$build/corpus/redirect"
printf 'HTTP/1.0 200 OK\r\nContent-Length: 1234\r\n\r\nbody' >"$build/corpus/ok"

cd "$build"
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 ASAN_OPTIONS=detect_leaks=1 \
  ./net_fuzz -max_total_time="$seconds" -max_len=140000 -timeout=20 -rss_limit_mb=2048 \
  -print_final_stats=1 corpus
