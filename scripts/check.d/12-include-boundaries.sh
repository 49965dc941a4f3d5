# shellcheck shell=bash
# A file includes project headers only from the libraries its own target links, directly or passed on by a
# library's public links; the edges are CMake's, as cmake/layers.cmake writes them to build/layers.txt when
# 10-native configures. docs/architecture.md must name every library, so the picture keeps up with CMake.
set -euo pipefail
. scripts/common.sh
command -v python3 >/dev/null || need_packages python3
[ -f build/layers.txt ] ||
    { echo "include boundaries: build/layers.txt is missing; configure build/ first (10-native)" >&2; exit 1; }
python3 scripts/include_boundaries.py build/layers.txt docs/architecture.md
