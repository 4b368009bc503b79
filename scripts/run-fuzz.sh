#!/bin/bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UBSan on) and
# runs each for FUZZ_SECONDS (default 60) from the seed corpus in fuzz/corpus.
# A crash leaves its input in build-fuzz/crashes/<target>/ and fails the run.
set -uo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${FUZZ_SECONDS:-60}
BUILD=${FUZZ_BUILD:-build-fuzz}
FLAGS="-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer -g -O1"
cmake -S . -B "$BUILD" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DGATEPOINT_FUZZ=ON \
      -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS=$FLAGS" "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined" >/dev/null || exit 1
targets=$(cd fuzz && ls fuzz_*.cpp | sed 's/\.cpp$//')
cmake --build "$BUILD" -j"$(nproc)" --target $targets || exit 1
status=0
for target in $targets; do
    corpus=fuzz/corpus/${target#fuzz_}
    work="$BUILD/corpus/${target#fuzz_}"
    crashes="$BUILD/crashes/$target"
    mkdir -p "$work" "$crashes"
    log="$BUILD/$target.log"
    ASAN_OPTIONS=detect_leaks=0 QT_QPA_PLATFORM=offscreen "$BUILD/fuzz/$target" -max_total_time="$SECONDS_EACH" \
        -print_final_stats=1 -timeout=10 -rss_limit_mb=4096 -max_len=65536 -artifact_prefix="$crashes/" "$work" "$corpus" >"$log" 2>&1
    rc=$?
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' | tail -1)
    [ -z "$runs" ] && runs=$(grep -oE '#[0-9]+' "$log" | tail -1 | tr -d '#')
    found=$(ls "$crashes" | wc -l)
    echo "FUZZ $target executions=${runs:-?} crashes=$found exit=$rc"
    if [ $rc -ne 0 ] || [ "$found" -ne 0 ]; then status=1; tail -30 "$log"; fi
done
exit $status
