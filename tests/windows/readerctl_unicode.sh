#!/usr/bin/env bash
# readerctl.exe given its plan, record and report in a folder named "工地 Café", typed on its command line as a
# user on a Chinese or a French Windows types them: an audit of the reader on COM3 (pty_reader.py) reads the
# plan there and writes both files there; a report path naming the plan is refused, the path shown as typed, in
# Chinese too, and nothing is made.
#   readerctl_unicode.sh WINE READERCTL_EXE
set -uo pipefail
if [ -z "${READERCONFIG_WINE_TESTS:-}" ]; then
    echo "SKIP: only in the wine prefix of scripts/check.d/30-windows.sh (READERCONFIG_WINE_TESTS)"
    exit 77
fi
wine=$1
exe=$2
failed=0
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
folder="$root/工地 Café"
mkdir -p "$folder"
printf 'door,serial,id\r\nFront,20240003,01\r\n' >"$folder/plan.csv"
# wine hands the arguments to the program as the Unix locale reads them.
export LC_ALL=C.UTF-8

windows() {
    local path=${1//\//\\}
    echo "Z:$path"
}
expect() {
    local what=$1
    shift
    if "$@"; then
        echo "PASS $what"
    else
        echo "FAIL $what"
        failed=1
    fi
}

plan=$(windows "$folder/plan.csv")
out=$("$wine" "$exe" --language en --port 3 audit "$plan" --record "$(windows "$folder/site.csv")" \
    --report "$(windows "$folder/site.html")" 2>&1 | tr -d '\r')
sed 's/^/    /' <<<"$out"
expect "the record in the folder" grep -q '^Front,.*,COM3,.*,20240003,' "$folder/site.csv"
expect "the report in the folder" grep -q 'content="readerconfig as-built report"' "$folder/site.html"
expect "the report names the site after the plan" grep -q '<title>plan - as built</title>' "$folder/site.html"

for language in en gb; do
    out=$("$wine" "$exe" --language $language --port 3 audit "$plan" --record "$(windows "$folder/other.csv")" \
        --report "$plan" 2>&1 | tr -d '\r')
    status=$?
    sed 's/^/    /' <<<"$out"
    case $language in
    en) said="$plan is not a report: choose another name" ;;
    gb) said="$plan 不是报告：请换一个档名" ;;
    esac
    expect "a report naming the plan refused ($language)" test "$status" = 2
    expect "the refusal names the plan as typed ($language)" grep -qF "$said" <<<"$out"
    expect "no record made ($language)" test ! -e "$folder/other.csv"
    expect "the plan kept ($language)" grep -q '^Front,20240003,01' "$folder/plan.csv"
done
exit $failed
