# Bounded libFuzzer runs over the seed corpora; a broken invariant or a sanitizer report fails the check.
set -euo pipefail
. scripts/common.sh
# libFuzzer's own handling of a report, not the native suite's runtime options.
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
need_packages clang
# The sanitizer and libFuzzer runtimes must be those of the clang that compiles.
need_packages "libclang-rt-$(clang -dumpversion | cut -d. -f1)-dev"
harnesses=(reply fields settings plan)
configure_in build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DREADERCONFIG_GUI=OFF \
    -DREADERCONFIG_FUZZ=ON
# The harnesses and what they link only: the programs are built, and clang reads every source, in other stages.
cmake --build build-fuzz -j"$(nproc)" --target "${harnesses[@]/#/fuzz_}"
seconds=${FUZZ_SECONDS:-15}
# fuzz HARNESS: one bounded run; new inputs go to a scratch folder first, the seeds in the repository stay as they
# are. Its log ends with its exit status.
fuzz() {
    local work status=0
    work=$(mktemp -d)
    ./build-fuzz/fuzz_$1 -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/ \
        "$work" "fuzz/corpus/$1" >"build-fuzz/fuzz_$1.log" 2>&1 || status=$?
    rm -rf "$work"
    echo "exit status $status" >>"build-fuzz/fuzz_$1.log"
}
# A harness is one process on one core: as many at once as there are cores, each still fuzzing for its whole time.
running=0
for harness in "${harnesses[@]}"; do
    if [ $running -ge "$(nproc)" ]; then
        wait -n
        running=$((running - 1))
    fi
    fuzz "$harness" &
    running=$((running + 1))
done
wait
failed=0
for harness in "${harnesses[@]}"; do
    log=build-fuzz/fuzz_$harness.log
    grep -E 'stat::number_of_executed_units' "$log" | sed "s/^/fuzz_$harness: /"
    if [ "$(tail -1 "$log")" != "exit status 0" ]; then
        tail -40 "$log" >&2
        echo "fuzz_$harness failed (artifact in build-fuzz/, log in $log)" >&2
        failed=1
    fi
done
exit $failed
