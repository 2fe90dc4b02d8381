#!/usr/bin/env bash
# Installs what is missing, builds and runs the whole test suite: the plain build, the same
# tests under AddressSanitizer + UndefinedBehaviorSanitizer, the thread-heavy folders under
# ThreadSanitizer, and every fuzz target for a bounded time. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh

jobs=$(nproc)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/scripts/tsan.supp

run_ctest() {
    local flavour=$1
    shift
    echo "== tests: $flavour"
    ctest --test-dir "build/$flavour" --output-on-failure -j "$jobs" "$@"
}

./scripts/build.sh release
run_ctest release

# The window smoke tests run on a private X server in the plain build only: the toolkit's
# own lifetime caches are not ours to instrument.
./scripts/build.sh asan
run_ctest asan -LE display

# The folders whose code shares state between threads.
./scripts/build.sh tsan
run_ctest tsan -LE display

./scripts/build.sh fuzz --target fuzz_targets
echo "== fuzz"
for target in build/fuzz/bin/fuzz_*; do
    [[ -x $target ]] || continue
    name=$(basename "$target")
    corpora=("build/fuzz/corpus/$name")
    mkdir -p "${corpora[0]}"
    [[ -d fuzz/corpus/$name ]] && corpora+=("fuzz/corpus/$name")
    echo "-- $name"
    "$target" -max_total_time="${QUIRE_FUZZ_SECONDS:-10}" -timeout=5 -rss_limit_mb=2048 \
        "${corpora[@]}" >"build/fuzz/$name.out" 2>&1 || { tail -n 40 "build/fuzz/$name.out"; exit 1; }
    tail -n 1 "build/fuzz/$name.out"
done
echo "== all tests passed"
