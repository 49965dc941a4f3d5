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
for harness in "${harnesses[@]}"; do
    work=$(mktemp -d)
    # New inputs go to the scratch folder first; the seeds in the repository stay as they are.
    status=0
    ./build-fuzz/fuzz_$harness -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix=build-fuzz/ \
        "$work" "fuzz/corpus/$harness" >"$work.log" 2>&1 || status=$?
    grep -E 'stat::number_of_executed_units' "$work.log" | sed "s/^/fuzz_$harness: /"
    if [ "$status" -ne 0 ]; then
        tail -40 "$work.log" >&2
        echo "fuzz_$harness failed (artifact in build-fuzz/)" >&2
        exit 1
    fi
    rm -rf "$work" "$work.log"
done
