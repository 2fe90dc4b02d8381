#!/usr/bin/env bash
# Configures and builds one flavour of the tree in build/<flavour>; a second run only rebuilds
# what changed.
#   release  optimised build with debug info (what run.sh starts)
#   asan     AddressSanitizer + UndefinedBehaviorSanitizer
#   tsan     ThreadSanitizer
#   fuzz     clang with libFuzzer targets
set -euo pipefail
cd "$(dirname "$0")/.."

# Paths relative to the checkout in ccache's keys, so that a second clone of the tree (or the
# same tree moved) reuses what the first one compiled.
export CCACHE_BASEDIR=$PWD
export CCACHE_NOHASHDIR=1

flavour=${1:-release}
shift || true
args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
case "$flavour" in
    release) ;;
    asan) args+=(-DQUIRE_SANITIZE=address,undefined) ;;
    tsan) args+=(-DQUIRE_SANITIZE=thread) ;;
    fuzz) args+=(-DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DQUIRE_FUZZ=ON) ;;
    *) echo "unknown flavour: $flavour" >&2; exit 2 ;;
esac

build_dir=build/$flavour
if [[ ! -f $build_dir/build.ninja ]]; then
    cmake -S . -B "$build_dir" "${args[@]}" >/dev/null
fi
cmake --build "$build_dir" -j "$(nproc)" "$@"
