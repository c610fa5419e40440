#!/usr/bin/env bash
# Builds everything and runs every check: the full suite with warnings as errors, the suite again
# under AddressSanitizer + UndefinedBehaviorSanitizer, the threaded suites under ThreadSanitizer,
# a replay of every fuzzer's corpus, and the Debian package checked without installing it.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export CCACHE_DIR=${CCACHE_DIR:-$HOME/.cache/korvel-ccache}
# Paths below the checkout are hashed relative to it, so several checkouts share one cache.
export CCACHE_BASEDIR=$ROOT
export CCACHE_NOHASHDIR=1

bash scripts/install-deps.sh

configure() {  # configure DIR [cmake args...]
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache \
        -DCMAKE_C_COMPILER_LAUNCHER=ccache "$@" >/dev/null
}

step() { echo "=== $* ===" >&2; }

if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    step "formatting (clang-format)"
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
fi

step "sanitizers: AddressSanitizer + UndefinedBehaviorSanitizer"
configure build-asan -DCMAKE_BUILD_TYPE=Debug -DKORVEL_WERROR=ON \
    -DKORVEL_SANITIZE="address;undefined" -DKORVEL_BUILD_BENCH=OFF

step "layering: library dependencies and includes (cmake/Layers.cmake)"
cmake --build build-asan --target check_layers
cmake --build build-asan -j "$JOBS"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    LSAN_OPTIONS=suppressions=$ROOT/tests/lsan.supp \
    ctest --test-dir build-asan --output-on-failure -j "$JOBS"

step "sanitizers: ThreadSanitizer (threaded suites)"
configure build-tsan -DCMAKE_BUILD_TYPE=Debug -DKORVEL_SANITIZE=thread -DKORVEL_BUILD_BENCH=OFF \
    -DKORVEL_BUILD_GUI=OFF
cmake --build build-tsan -j "$JOBS" --target korvel_tsan_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$JOBS" -L tsan

step "fuzz corpora replay (clang, libFuzzer)"
configure build-fuzz -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DKORVEL_BUILD_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF -DKORVEL_BUILD_GUI=OFF
cmake --build build-fuzz -j "$JOBS" --target korvel_fuzzers
for corpus in fuzz/*/corpus; do
    name=$(basename "$(dirname "$corpus")")
    bin="build-fuzz/fuzz/$name/fuzz_$name"
    echo "replaying $corpus" >&2
    "$bin" -runs=0 "$corpus" 2>&1 | tail -n 2 >&2
done

step "release build, warnings as errors, full suite"
configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_WERROR=ON
cmake --build build -j "$JOBS"
ctest --test-dir build --output-on-failure -j "$JOBS"

step "Debian package: build, then check it without installing it"
bash scripts/check-package.sh "$(bash scripts/package.sh | sed -n 's/^package: //p')"
