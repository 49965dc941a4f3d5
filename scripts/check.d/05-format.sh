# Every C++ file the project tracks is clang-format clean (the project's .clang-format).
set -euo pipefail
. scripts/common.sh
need_packages clang-format
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
echo "clang-format: clean"
