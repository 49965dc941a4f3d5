# shellcheck shell=bash
# Native build and the whole test suite, once, under AddressSanitizer + UndefinedBehaviorSanitizer with libstdc++'s
# and Qt's assertions (NATIVE_OPTIONS in scripts/common.sh); any report fails the check. The end-to-end tests on
# pseudo-terminals run reader-sim, sanitized as well, in real time in a process of its own. An uninstrumented
# build of the programs is 40-package's (Release); the fuzz harnesses are clang's (25-fuzz). Last, ./demo on a
# virtual screen.
set -euo pipefail
. scripts/common.sh
build_in build "${NATIVE_OPTIONS[@]}"
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
# ./demo as the README starts with it, on a virtual screen: the window must come up from this build.
(unset DISPLAY WAYLAND_DISPLAY; ./demo >build/demo.log 2>&1) || { cat build/demo.log >&2; echo "./demo failed" >&2; exit 1; }
tail -n 1 build/demo.log
