#!/usr/bin/env bash
# Builds everything and runs every test, headless (build/); then the whole
# suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# (build-asan/); then a short fuzz run of the receive path, the upload
# validation and rallon-cli's document reader (build-fuzz/). Stops at the first part that fails.
# RALLON_QUICK=1 runs the first part only.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
export QT_QPA_PLATFORM=offscreen

passed=0
failed=0

finish() {
    echo
    echo "Total: $passed passed, $failed failed"
    [ "$failed" -eq 0 ] && exit 0
    exit 1
}

# Runs ctest in build dir $1 and adds its counts to the totals.
run_ctest() {
    local log summary total bad
    log=$(mktemp)
    (cd "$1" && ctest --output-on-failure) 2>&1 | tee "$log"
    local status=${PIPESTATUS[0]}
    summary=$(grep -E '[0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    rm -f "$log"
    if [ -z "$summary" ]; then
        failed=$((failed + 1))
        return 1
    fi
    total=$(sed -E 's/.* failed out of ([0-9]+).*/\1/' <<<"$summary")
    bad=$(sed -E 's/.* ([0-9]+) tests? failed out of.*/\1/' <<<"$summary")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    [ "$status" -eq 0 ] && [ "$bad" -eq 0 ]
}

if ! bash scripts/setup.sh build test || ! bash scripts/build.sh; then
    failed=$((failed + 1))
    finish
fi
run_ctest build || finish
[ "${RALLON_QUICK:-0}" = 1 ] && finish

echo
echo "== The suite under AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/)"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRALLON_SANITIZE=ON >/dev/null \
    && cmake --build build-asan -j"$(nproc)" || { failed=$((failed + 1)); finish; }
export UBSAN_OPTIONS=print_stacktrace=1
run_ctest build-asan || finish
unset UBSAN_OPTIONS

echo
echo "== Fuzzing the receive path, the upload validation and the document reader (build-fuzz/)"
fuzz_log=$(mktemp)
bash tests/fuzz/run.sh "${RALLON_FUZZ_SECONDS:-30}" 2>&1 | tee "$fuzz_log"
fuzz_status=${PIPESTATUS[0]}
fuzz_passed=$(grep -c '^fuzz_[a-z]*: passed' "$fuzz_log")
fuzz_failed=$(grep -c '^fuzz_[a-z]*: FAILED' "$fuzz_log")
rm -f "$fuzz_log"
passed=$((passed + fuzz_passed))
failed=$((failed + fuzz_failed))
[ "$fuzz_status" -ne 0 ] && [ "$fuzz_failed" -eq 0 ] && failed=$((failed + 1))
finish
