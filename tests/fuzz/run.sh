#!/usr/bin/env bash
# Installs this release's clang and libFuzzer when missing (scripts/setup.sh
# fuzz), builds the fuzz targets with that clang into build-fuzz/ and runs
# each one for SECONDS (default 30), from the seeds the build writes plus the
# corpus kept in build-fuzz/corpus/ by earlier runs. A finding is saved in
# build-fuzz/artifacts/ and fails the run.
# usage: bash tests/fuzz/run.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-30}
dir=build-fuzz

bash scripts/setup.sh fuzz
cmake -S tests/fuzz -B "$dir" -DCMAKE_CXX_COMPILER="clang++-$(bash scripts/setup.sh --clang-version)" \
    -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$dir" -j"$(nproc)"

export UBSAN_OPTIONS=print_stacktrace=1
status=0
for target in fuzz_receive fuzz_upload fuzz_document; do
    mkdir -p "$dir/corpus/$target" "$dir/artifacts"
    log="$dir/$target.log"
    if "$dir/$target" -max_total_time="$seconds" -print_final_stats=1 \
            -artifact_prefix="$dir/artifacts/$target-" \
            "$dir/corpus/$target" "$dir/seeds/${target#fuzz_}" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        took=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$log")
        echo "$target: passed, $runs runs in $took s, corpus $(ls "$dir/corpus/$target" | wc -l) inputs"
    else
        tail -n 60 "$log"
        echo "$target: FAILED (input saved in $dir/artifacts/, log $log)"
        status=1
    fi
done
exit $status
