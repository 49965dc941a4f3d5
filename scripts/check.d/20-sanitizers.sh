# The whole suite again under AddressSanitizer + UndefinedBehaviorSanitizer; any report fails the check.
set -euo pipefail
. scripts/common.sh
build_in build-asan -DCMAKE_BUILD_TYPE=Debug -DREADERCONFIG_SANITIZE=ON
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp
QT_QPA_PLATFORM=offscreen ctest --test-dir build-asan --output-on-failure -j"$(nproc)"
