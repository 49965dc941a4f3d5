# Native build and the whole test suite.
set -euo pipefail
. scripts/common.sh
build_in build -DCMAKE_BUILD_TYPE=Debug
QT_QPA_PLATFORM=offscreen ctest --test-dir build --output-on-failure -j"$(nproc)"
