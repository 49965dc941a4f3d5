# Every C++ file of the project is clang-format clean (the project's .clang-format). In a git checkout the
# tracked files; in an exported tree (no .git) every file outside the build folders.
set -euo pipefail
. scripts/common.sh
need_packages clang-format
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run -Werror
else
    find . \( -path './build*' -prune \) -o -type f \( -name '*.cpp' -o -name '*.h' \) -print0 |
        xargs -0 clang-format --dry-run -Werror
fi
echo "clang-format: clean"
