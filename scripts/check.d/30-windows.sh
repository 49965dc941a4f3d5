# shellcheck shell=bash
# The Windows stage: the back ends' tests (ctest label win32) and readerctl.exe under wine, in a private prefix
# (build-win/wineprefix) whose COM3, COM4, COM5, COM6 and COM10 are pseudo-terminals served by
# tests/windows/pty_reader.py. They are built in the one Windows build, against Qt for Windows (build-win-gui, which
# 35-windows-gui goes on with), so that the libraries are compiled for Windows once; the first run on a machine
# builds Qt for Windows (scripts/build-qt-windows, about 10 to 15 minutes). Everything wine says goes to
# build-win/wine.log.
set -euo pipefail
. scripts/common.sh
started=$SECONDS

# shellcheck disable=SC2086
need_packages $WINDOWS_PACKAGES
command -v python3 >/dev/null || need_packages python3

build=build-win-gui
configure_windows_gui "$build" "$(scripts/build-qt-windows)"
cmake --build "$build" -j"$(nproc)" --target tst_win32_serial tst_win32_registry tst_win32_files readerctl \
    bench_win32_timing

root=$PWD/build-win
mkdir -p "$root"
serial=$root/serial
log=$root/wine.log
export WINEPREFIX=$root/wineprefix WINEARCH=win64 WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml="
export READERCONFIG_WINE_TESTS=1
: >"$log"

helper=
finish() {
    local status=$?
    if [ -n "$helper" ]; then
        kill "$helper" 2>/dev/null || true
        wait "$helper" 2>/dev/null || true
    fi
    wineserver -k >>"$log" 2>&1 || true
    wineserver -w >>"$log" 2>&1 || true
    [ $status -eq 0 ] || echo "windows stage failed; wine's output is in $log" >&2
    exit $status
}
trap finish EXIT

# A server left over from an interrupted run would keep the old port mapping.
wineserver -k >>"$log" 2>&1 || true
wineserver -w >>"$log" 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the wine prefix"
    wineboot -i >>"$log" 2>&1
fi

mkdir -p "$serial"
rm -f "$serial/ready"
python3 tests/windows/pty_reader.py --ready "$serial/ready" --port "COM3=$serial/com3" --port "COM10=$serial/com10" \
    --port "COM5=$serial/com5" --silent "COM4=$serial/com4" --echo "COM6=$serial/com6" >>"$log" 2>&1 &
helper=$!
for _ in $(seq 100); do
    [ -s "$serial/ready" ] && break
    kill -0 "$helper" 2>/dev/null || { echo "pty_reader.py ended early" >&2; exit 1; }
    sleep 0.1
done
[ -s "$serial/ready" ] || { echo "pty_reader.py did not come up" >&2; exit 1; }

# The ports are mapped in the registry, not by links in dosdevices: wine re-creates comN links for the
# host's ttyS* at every start and may overwrite one made by hand. The mapping is read when wine starts.
ports=(3 4 5 6 10)
for port in "${ports[@]}"; do
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM$port" /d "$serial/com$port" /f >>"$log" 2>&1
done
wineserver -k >>"$log" 2>&1 || true
wineserver -w >>"$log" 2>&1 || true
wineserver -p >>"$log" 2>&1
wine reg query 'HKLM\Software\Wine\Ports' >>"$log" 2>&1
for port in "${ports[@]}"; do
    for _ in $(seq 100); do
        [ "$(readlink "$WINEPREFIX/dosdevices/com$port")" = "$serial/com$port" ] && break
        sleep 0.1
    done
    [ "$(readlink "$WINEPREFIX/dosdevices/com$port")" = "$serial/com$port" ] ||
        { echo "wine did not map COM$port to $serial/com$port" >&2; exit 1; }
done

ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -L win32
wine "$build/tests/windows/bench_win32_timing.exe" 2>>"$log" | tr -d '\r'
echo "windows stage: $((SECONDS - started)) s"
