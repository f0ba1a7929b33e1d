#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the suites, the same suites under the
# address and undefined-behaviour sanitizers, the Windows backends under Wine, and a short
# benchmark run. Ends with one summary line.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$ORV_ROOT"
orv_install_missing "${ORV_BUILD_PACKAGES[@]}" "${ORV_TEST_PACKAGES[@]}"

passed=0
failed=0
stage() { # <name> <command...>
    local name=$1
    shift
    echo "== $name"
    if "$@"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "== $name: FAILED"
    fi
}

orv_build default
stage "test suites" ctest --preset default
orv_build asan
stage "test suites under sanitizers" ctest --preset asan
stage "Windows backends under Wine" "$ORV_ROOT/scripts/windows-tests.sh"
stage "benchmark smoke run" "$ORV_ROOT/build/bench/orvterm-bench" --smoke

echo "stages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
