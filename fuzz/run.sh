#!/usr/bin/env bash
# Builds the fuzz targets with clang (AddressSanitizer, UndefinedBehaviorSanitizer) and runs each
# for a set time (default 120 s) from the seed corpus in fuzz/corpus/<target>. Fails on any finding.
set -eu
EACH=${1:-120}
cd "$(dirname "$0")/.."
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DNUDGELARK_FUZZ=ON -DNUDGELARK_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)"
status=0
for bin in build-fuzz/fuzz/fuzz_*; do
    [ -f "$bin" ] && [ -x "$bin" ] || continue
    name=$(basename "$bin")
    seeds="fuzz/corpus/$name"
    work="build-fuzz/corpus/$name"
    findings="build-fuzz/findings/$name"
    mkdir -p "$work" "$findings" "$seeds"
    echo "== $name for ${EACH} s"
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$bin" -max_total_time="$EACH" -timeout=10 -rss_limit_mb=2048 -max_len=65536 -print_final_stats=1 \
        -artifact_prefix="$findings/" "$work" "$seeds" > "build-fuzz/$name.log" 2>&1; then
        echo "   FINDING: see build-fuzz/$name.log and $findings/"
        tail -30 "build-fuzz/$name.log"
        status=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "build-fuzz/$name.log" | sed 's/^/   /'
    fi
done
exit $status
