#!/usr/bin/env bash
# Builds the whole test suite a second time with AddressSanitizer, UndefinedBehaviorSanitizer and the
# bounds-checked standard containers into build-san/, and runs it headless. Any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS"
# The sanitizers' options hold during the build too: it runs the sample-song writer.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/scripts/lsan.supp:print_suppressions=0"
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCHOIR_BENCH=OFF \
      -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined"
cmake --build build-san --parallel "$(nproc)"
export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
cd build-san
ctest --output-on-failure --parallel "$(nproc)" --timeout 600
