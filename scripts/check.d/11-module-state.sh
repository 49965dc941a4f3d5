# shellcheck shell=bash
# The core libraries hold no module state: every value lives in an object a program owns (a Link, a
# ReaderState, a LinkSetup), so two links or two test cases never see each other's. nm on the native build's
# libraries (10-native) lists no writable or relocated data symbol (B, b, D, d) besides guard variables.
set -euo pipefail
. scripts/common.sh
need_packages binutils
started=$SECONDS

libraries=(protocol/libprotocol.a link/liblink.a settings/libsettings.a operations/liboperations.a
    commission/libcommission.a)
[ -d build ] || { echo "module state: build/ is missing; run scripts/check.d/10-native.sh first" >&2; exit 1; }

failed=0
for library in "${libraries[@]}"; do
    archive=build/$library
    [ -f "$archive" ] || { echo "module state: $archive is missing; build build/ first" >&2; failed=1; continue; }
    # `nm -A` prints "archive:member:value type name". A guard variable (_ZGV*) only records that a function-local
    # static was initialised; the static itself still shows.
    found=$(nm -A "$archive" |
        awk '$(NF-1) ~ /^[BbDd]$/ && $NF !~ /^_ZGV/ { n = split($1, at, ":"); print "  " at[n - 1], $(NF-1), $NF }' |
        c++filt)
    if [ -n "$found" ]; then
        echo "module state: $archive holds data symbols:" >&2
        echo "$found" >&2
        failed=1
    fi
done
if [ $failed -ne 0 ]; then
    echo "module state: such a symbol is a global or static variable (a function-local one too), or data the" \
        "compiler relocates at load: the typeinfo of a lambda kept in a std::function, the vtable of a class with" \
        "an out-of-line virtual function, a table of pointers; keep the value in an object the program owns" >&2
    exit 1
fi
echo "module state: none in ${libraries[*]} ($((SECONDS - started)) s)"
