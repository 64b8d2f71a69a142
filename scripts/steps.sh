# Sourced by fresh-root.sh, windows.sh and tests/wine/run.sh: their steps
# counted, and the closing `Total: N passed, N failed` line. The script sets
# steps_name, the name finish prints with the time taken since it sourced
# this file.
# shellcheck shell=bash

passed=0
failed=0
started=$SECONDS

# step NAME COMMAND...: runs COMMAND and counts it passed or failed.
step() {
    local name=$1
    shift
    echo
    echo "== $name"
    if "$@"; then
        echo "-- $name: passed"
        passed=$((passed + 1))
    else
        echo "-- $name: FAILED"
        failed=$((failed + 1))
        return 1
    fi
}

# Prints the time taken and the totals, and ends the script: 0 when no step
# failed.
# shellcheck disable=SC2154  # steps_name: set by the script that sources this file
finish() {
    echo
    echo "$steps_name: $(((SECONDS - started) / 60)) min $(((SECONDS - started) % 60)) s"
    echo "Total: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
}
