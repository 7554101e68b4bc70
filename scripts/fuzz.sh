#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a while, all at once.
#
#   scripts/fuzz.sh [seconds per target, default 60] [target ...]
#
# Targets: projectfile, midifile, settings. The corpus each run grows is kept in build-fuzz/corpus/<target>
# (the seeds, written at build time, are in build-fuzz/fuzz-seeds/<target>); an input that breaks a
# target is saved as build-fuzz/findings/<target>-crash-... (or -timeout-, -oom-, -leak-) and fails the run.
# When CHOIR_FUZZ_CORPUS names a folder kept between runs (a clean clone has no build-fuzz/ of an
# earlier run), the run also starts from <that folder>/<target>, and the inputs that reached new code
# are merged into it afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(projectfile midifile settings)

flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS="$flags" \
      -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
      -DCHOIR_FUZZ=ON -DBUILD_TESTING=OFF -DCHOIR_BENCH=OFF
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"
cmake --build build-fuzz --parallel "$(nproc)" --target fuzz_seeds "${targets[@]/#/fuzz_}"

kept=${CHOIR_FUZZ_CORPUS:-}
if [ -n "$kept" ] && ! mkdir -p "$kept" 2>/dev/null; then
  echo "fuzz: cannot use $kept for the kept corpus; this run starts from the seeds"
  kept=
fi

mkdir -p build-fuzz/findings build-fuzz/logs
pids=()
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  dirs=("build-fuzz/corpus/$t" "build-fuzz/fuzz-seeds/$t")
  if [ -n "$kept" ]; then mkdir -p "$kept/$t" && dirs+=("$kept/$t"); fi
  build-fuzz/bin/fuzz_"$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="build-fuzz/findings/$t-" \
      "${dirs[@]}" > "build-fuzz/logs/$t.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  if wait "${pids[$i]}"; then
    runs=$(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "build-fuzz/logs/$t.log" | grep -o '[0-9]*$')
    echo "fuzz_$t: $runs runs in ${seconds} s ($((runs / seconds)) a second), nothing found"
    if [ -n "$kept" ]; then
      build-fuzz/bin/fuzz_"$t" -merge=1 -timeout=10 -rss_limit_mb=2048 "$kept/$t" "build-fuzz/corpus/$t" \
          > "build-fuzz/logs/$t-merge.log" 2>&1 || echo "fuzz_$t: the kept corpus could not be updated"
    fi
  else
    status=1
    echo "fuzz_${targets[$i]} FAILED; its log (build-fuzz/logs/${targets[$i]}.log) ends:"
    tail -n 60 "build-fuzz/logs/${targets[$i]}.log"
  fi
done
exit $status
