# clang-tidy over every C++ file of the program that the native build compiles (the checks are in
# .clang-tidy); any finding fails. The tests are left to the compiler's warnings and the sanitized run: each pulls
# in QtTest, which made them half the stage's time.
set -euo pipefail
. scripts/common.sh
need_packages clang-tidy
[ -f build/compile_commands.json ] || build_in build "${NATIVE_OPTIONS[@]}"
started=$SECONDS
# The project's own sources only: what moc, uic and rcc write into the build folder is Qt's. The compile
# commands are GCC's, and clang does not know every GCC warning option. The native build is sanitized and asserts
# (NATIVE_OPTIONS); clang-tidy reads the code as a plain build compiles it.
run-clang-tidy -p build -j"$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option -extra-arg=-fno-sanitize=all \
    -extra-arg=-U_GLIBCXX_ASSERTIONS -extra-arg=-UQT_FORCE_ASSERTS "^$PWD/(?!build|tests/)" \
    >build/clang-tidy.log 2>&1 ||
    { sed 's/\x1b\[[0-9;]*m//g' build/clang-tidy.log | grep -E -A3 'warning:|error:' >&2
      echo "clang-tidy: findings (build/clang-tidy.log)" >&2
      exit 1; }
echo "clang-tidy: clean ($(grep -c '^clang-tidy' build/clang-tidy.log || true) files, $((SECONDS - started)) s)"
