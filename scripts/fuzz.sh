#!/usr/bin/env bash
# Builds the JSON fuzz target with clang in build-fuzz/ and runs it for a
# short time. Exits 0 when no crash was found, non-zero on a crash (the
# crashing input is left in build-fuzz/crashes/).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-45}
jobs=${FUZZ_JOBS:-2}

cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined" \
  -DVKR_BUILD_FUZZERS=ON -DVKR_BUILD_GUI=OFF -DVKR_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz --target fuzz_json -j"$jobs"

corpus=build-fuzz/corpus/json
mkdir -p "$corpus" build-fuzz/crashes
# A seed shaped like the HTTP API's answers, so runs start from real structure.
printf '%s' '{"code":0,"data":[{"type":"FriendMessage","messageChain":[{"type":"Source","id":1,"time":2},{"type":"Plain","text":"a\\nb"}],"sender":{"id":1234567890123,"nickname":"n","remark":""}}]}' \
  > "$corpus/seed-answer"

ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  build-fuzz/tests/fuzz/fuzz_json "$corpus" -max_total_time="$seconds" -timeout=10 -max_len=8192 \
  -artifact_prefix=build-fuzz/crashes/ -print_final_stats=1
