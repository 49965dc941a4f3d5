# shellcheck shell=bash
# The suite again under AddressSanitizer + UndefinedBehaviorSanitizer; any report fails the check. The
# end-to-end tests on pseudo-terminals (reader-sim in real time, in a process of its own) ran in 10-native and
# are left out here, and only the test programs that run are built (not the programs, benchmarks or reader-sim).
set -euo pipefail
. scripts/common.sh
command -v python3 >/dev/null || need_packages python3
dir=build-asan
configure_in "$dir" -DCMAKE_BUILD_TYPE=Debug -DREADERCONFIG_SANITIZE=ON
skipped='[._]pty$'
# The programs of the tests that run, by their targets: ctest names each test's program, which has its target's
# name (tests/CMakeLists.txt). The program does not exist before it is built, so the test files are read.
mapfile -t programs < <(find "$dir" -name CTestTestfile.cmake -exec cat {} + |
    python3 -c 'import os, re, sys
for name, command in re.findall(r"add_test\(\[=\[(.*?)\]=\] \"([^\"]+)\"", sys.stdin.read()):
    if not re.search(sys.argv[1], name):
        print(os.path.basename(command))' "$skipped" | sort -u)
[ ${#programs[@]} -gt 0 ] || { echo "sanitizers: no tests found in $dir" >&2; exit 1; }
cmake --build "$dir" -j"$(nproc)" --target "${programs[@]}"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
QT_QPA_PLATFORM=offscreen ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" -E "$skipped"
