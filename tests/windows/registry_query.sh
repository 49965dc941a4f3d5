#!/usr/bin/env bash
# What the program stores, as another registry tool sees it, and what it makes of values another tool wrote.
# wine writes system.reg lazily, so the key is asked with `reg query`, never read from the file.
#   registry_query.sh WINE TST_REGISTRY_EXE
set -uo pipefail
if [ -z "${READERCONFIG_WINE_TESTS:-}" ]; then
    echo "SKIP: only in the wine prefix of scripts/check.d/30-windows.sh (READERCONFIG_WINE_TESTS)"
    exit 77
fi
wine=$1
exe=$2
key='HKLM\Software\VELNO\ReaderConfig'
failed=0

# The value lines of the key, "name type data", one space apart.
query() {
    "$wine" reg query "$key" 2>/dev/null | tr -d '\r' | awk 'NF >= 2 && $1 != "HKEY_LOCAL_MACHINE\\Software\\VELNO\\ReaderConfig" {
        name = $1; type = $2; $1 = ""; $2 = ""; sub(/^  */, ""); print name " " type " " $0 }' | sort
}

expect() {
    local what=$1 actual=$2 expected=$3
    if [ "$actual" == "$expected" ]; then
        echo "PASS $what"
    else
        echo "FAIL $what"
        diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
        failed=1
    fi
}

reset() {
    "$wine" reg delete "$key" /f >/dev/null 2>&1 || true
}

# Saved by the program.
reset
"$wine" "$exe" --save 10 7 38400,e,8,1 ChineseGB
expect "saved values" "$(query)" "$(sort <<'EOF'
LanguageFlag REG_SZ ChineseGB
ScanBaudRate REG_SZ 38400,e,8,1
ScanBaudRateNo REG_DWORD 0x7
ScanCommNo REG_DWORD 0xa
EOF
)"

"$wine" "$exe" --save-language ChineseBIG5
expect "language saved alone" "$(query)" "$(sort <<'EOF'
LanguageFlag REG_SZ ChineseBIG5
ScanBaudRate REG_SZ 38400,e,8,1
ScanBaudRateNo REG_DWORD 0x7
ScanCommNo REG_DWORD 0xa
EOF
)"

# Written by `reg add`, as an installer's script would.
reset
"$wine" reg add "$key" /v ScanCommNo /t REG_DWORD /d 16 /f >/dev/null
"$wine" reg add "$key" /v ScanBaudRate /t REG_SZ /d 115200,n,8,1 /f >/dev/null
"$wine" reg add "$key" /v ScanBaudRateNo /t REG_DWORD /d 99 /f >/dev/null
"$wine" reg add "$key" /v LanguageFlag /t REG_SZ /d ChineseBIG5 /f >/dev/null
expect "loaded from reg add" "$("$wine" "$exe" --print | tr -d '\r')" "ComPortNo=16
ComSettings=115200,n,8,1
BaudRateIndex=5
LanguageName=ChineseBIG5
LanguageIndex=2"

"$wine" reg add "$key" /v ScanBaudRate /t REG_DWORD /d 9600 /f >/dev/null
expect "a number where a text belongs stops the reading" "$("$wine" "$exe" --print | tr -d '\r')" "ComPortNo=16
ComSettings=19200,e,8,1
BaudRateIndex=5
LanguageName=English
LanguageIndex=0"

reset
exit $failed
