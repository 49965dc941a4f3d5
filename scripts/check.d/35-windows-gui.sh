# shellcheck shell=bash
# The Windows program under wine, in a prefix of its own (build-win-gui/wineprefix):
# 1. the window's QtTest programs, built for Windows, on the offscreen platform;
# 2. end to end on an Xvfb display: the setup program installs silently; the installed program finds reader-sim
#    on COM3, saves where and the language chosen, has no Close entry in its system menu, ends with 0 by Exit;
#    the site window, from its Start menu entry, commissions the reader by a plan and records it, by keyboard;
#    the uninstaller removes it and keeps the settings key;
# 3. the link's benchmark rows, wine beside Linux (printed, never checked).
# Qt for Windows is built by then (30-windows). Everything wine says goes to build-win-gui/wine.log.
set -euo pipefail
. scripts/common.sh
started=$SECONDS

# shellcheck disable=SC2086
need_packages $WINDOWS_PACKAGES fonts-wine xvfb xauth xdotool imagemagick

scripts/windows-release
build=build-win-gui
cmake --build "$build" -j"$(nproc)"
# reader-sim and the Linux side of the benchmark rows, in the Release build that 40-package goes on with.
bench=$RELEASE_BUILD
configure_release >/dev/null
cmake --build "$bench" -j"$(nproc)" --target reader-sim bench-link-rows

version=$(sed -n 's/^project(readerconfig VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
setup=$PWD/dist/readerconfig-$version-win64-setup.exe
root=$PWD/$build
serial=$root/serial
log=$root/wine.log
export WINEPREFIX=$root/wineprefix WINEARCH=win64 WINEDEBUG=-all,err+module WINEDLLOVERRIDES="mscoree,mshtml="
: >"$log"

sim= xvfb= app=
finish() {
    local status=$?
    for pid in $app $sim $xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    wineserver -k >>"$log" 2>&1 || true
    wineserver -w >>"$log" 2>&1 || true
    [ $status -eq 0 ] || echo "windows-gui stage failed; wine's output is in $log" >&2
    exit $status
}
trap finish EXIT
fail() {
    echo "windows-gui: $*" >&2
    exit 1
}
# until SECONDS COMMAND...: runs COMMAND until it succeeds, at most for SECONDS.
until_ok() {
    local limit=$((SECONDS + $1))
    shift
    until "$@" 2>/dev/null; do
        [ $SECONDS -lt $limit ] || return 1
        sleep 0.2
    done
}

# The display comes first: wine's desktop process, started with the server, draws on the display it was given.
rm -f "$root/display"
Xvfb -displayfd 4 -screen 0 1024x768x24 -nolisten tcp 4>"$root/display" 2>>"$log" &
xvfb=$!
until_ok 10 test -s "$root/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$root/display")

wineserver -k >>"$log" 2>&1 || true
wineserver -w >>"$log" 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "creating the wine prefix"
    wineboot -i >>"$log" 2>&1
    # wine draws its own title bar with Marlett; Debian keeps it outside the prefix.
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
fi

# reader-sim on a pty, COM3 in wine's registry and COM3 in the Linux ports folder; its commands come through a
# FIFO. COM1 and COM2 point nowhere: wine would otherwise give them the host's ttyS0 and ttyS1.
mkdir -p "$serial"
rm -rf "${serial:?}"/*
mkfifo "$serial/sim.in"
XDG_CONFIG_HOME=$serial/xdg "$bench/reader-sim" --com 3 --link "$serial/com3" --line 5 --log \
    <"$serial/sim.in" 2>"$serial/sim.log" >/dev/null &
sim=$!
exec 3>"$serial/sim.in"
until_ok 10 test -L "$serial/com3" || fail "reader-sim did not come up"
ports=(1:$serial/absent 2:$serial/absent 3:$serial/com3)
for port in "${ports[@]}"; do
    wine reg add 'HKLM\Software\Wine\Ports' /v "COM${port%%:*}" /d "${port#*:}" /f >>"$log" 2>&1
done
# Without a window manager wine draws the title bar itself only for windows it does not leave to one.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >>"$log" 2>&1
wineserver -k >>"$log" 2>&1 || true
wineserver -w >>"$log" 2>&1 || true
# A server that stays up keeps wine's own background programs off the pipes of the programs below.
wineserver -p >>"$log" 2>&1
wineboot >>"$log" 2>&1
for port in "${ports[@]}"; do
    until_ok 10 test "$(readlink "$WINEPREFIX/dosdevices/com${port%%:*}")" = "${port#*:}" ||
        fail "wine did not map COM${port%%:*}"
done

echo "-- QtTest programs under wine"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" -LE win32

echo "-- end to end on Xvfb ($DISPLAY)"

key='HKLM\Software\VELNO\ReaderConfig'
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VELNO ReaderConfig'
installed="$WINEPREFIX/drive_c/Program Files/VELNO/ReaderConfig"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELNO QUVIN4 Reader Config.lnk"
# value NAME: "TYPE DATA" of a value of the settings key, as `reg query` shows it.
value() {
    wine reg query "$key" /v "$1" 2>>"$log" | tr -d '\r' | awk -v n="$1" '$1 == n { t = $2; $1 = $2 = ""; sub(/^ +/, ""); print t " " $0 }'
}
expect_value() {
    local got
    got=$(value "$1")
    [ "$got" = "$2" ] || fail "$1 is '$got', expected '$2'"
}
probe() {
    wine "$root/tests/windows/window_probe.exe" "$@" 2>>"$log" | tr -d '\r'
}
# shot NAME: the program's window, frame included, as build-win-gui/screenshot-windows-NAME.png
# (scripts/screenshot-windows copies them to docs/).
shot() {
    local x y w h
    read -r x y w h < <(probe frame readerconfig.exe)
    import -window root -crop "${w}x$h+$x+$y" +repage "$root/screenshot-windows-$1.png" 2>>"$log"
}
# click X Y: a mouse click at the client-area point (X, Y) of the program's window.
click() {
    xdotool mousemove $((client_x + $1)) $((client_y + $2)) click 1
}

wine reg delete "$key" /f >>"$log" 2>&1 || true
wine "$setup" /S >>"$log" 2>&1 || fail "the setup program failed"
[ -f "$installed/readerconfig.exe" ] && [ -f "$installed/platforms/qwindows.dll" ] || fail "nothing installed"
[ -f "$shortcut" ] || fail "no Start menu shortcut"
wine reg query "$uninstall_key" /v UninstallString >>"$log" 2>&1 || fail "no uninstaller registered"

wine 'C:\Program Files\VELNO\ReaderConfig\readerconfig.exe' >>"$log" 2>&1 &
app=$!
until_ok 60 probe client readerconfig.exe >/dev/null || fail "the window did not show"
read -r client_x client_y _ < <(probe client readerconfig.exe)
menu_status=0
menu=$(probe sysmenu readerconfig.exe) || menu_status=$?
echo "$menu" >>"$log"
[ $menu_status -ne 1 ] || fail "the system menu still has Close: $menu"
[ $menu_status -eq 0 ] || fail "the system menu could not be read"
# The rest of the menu stays: Move is there.
grep -q " 0x$(printf '%04X' 0xF010) " <<<"$menu" || fail "the system menu lost more than Close: $menu"

click 180 94 # btnScan
until_ok 60 grep -q '< <LF>H[0-9][0-9]A' "$serial/sim.log" || fail "the scan did not read the reader's mode"
expect_value ScanCommNo "REG_DWORD 0x3"
expect_value ScanBaudRateNo "REG_DWORD 0x5"
expect_value ScanBaudRate "REG_SZ 19200,e,8,1"
sleep 1 # the closing beep; then the window shows the scan's outcome
shot en
click 523 388 # btnBIG5
until_ok 30 test "$(value LanguageFlag)" = "REG_SZ ChineseBIG5" || fail "LanguageFlag is '$(value LanguageFlag)'"
sleep 0.5
shot big5
click 456 424 # btnExit
until_ok 30 bash -c "! kill -0 $app" || fail "Exit did not end the program"
status=0
wait "$app" || status=$?
app=
[ $status -eq 0 ] || fail "the program ended with $status"

# readerctl.exe, installed beside the window, finds the reader where the window remembered it.
ctl=$(wine "$installed/readerctl.exe" --json scan 2>>"$log" | tr -d '\r')
[[ $ctl == *'"port":3'*'"serial":"20240117"'* ]] || fail "readerctl.exe --json scan printed '$ctl'"
echo "readerctl.exe: $ctl"
# Two settings in one call, each acknowledged and then read back from the reader.
ctl=$(wine "$installed/readerctl.exe" --json set id 7 keys 6 2>>"$log" | tr -d '\r')
[[ $ctl == '{"ok":true,'*'"read":{'*'"id":"07","keys":"06"'* ]] || fail "readerctl.exe --json set printed '$ctl'"
echo "readerctl.exe: $ctl"

# The site window as its Start menu entry opens it, over a plan of two doors: the reader on COM3 takes the first and
# is recorded beside the plan. The keyboard alone starts, stops, switches to English and leaves.
site_shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/VELNO QUVIN4 Site Commissioning.lnk"
[ -f "$site_shortcut" ] || fail "no Start menu shortcut for the site window"
strings -el "$site_shortcut" | grep -qx -- --site || fail "the site window's shortcut does not pass --site"
# The plan, the record and the report in a folder named as installers' folders are: given on the command line
# (wine hands the arguments on as the Unix locale reads them), read and written there.
site="$serial/工地 Café"
mkdir -p "$site"
printf 'door,id,keys\r\nLobby,21,5\r\nOffice,22,5\r\n' >"$site/site.csv"
rm -f "$site/site-record.csv" "$site/site.html"
LC_ALL=C.UTF-8 wine 'C:\Program Files\VELNO\ReaderConfig\readerconfig.exe' --site "Z:${site//\//\\}\\site.csv" \
    --report "Z:${site//\//\\}\\site.html" >>"$log" 2>&1 &
app=$!
until_ok 60 probe client readerconfig.exe >/dev/null || fail "the site window did not show"
read -r client_x client_y client_w client_h < <(probe client readerconfig.exe)
click $((client_w / 2)) $((client_h / 2)) # into the table: the window has the keyboard, the table the focus
sleep 0.5
xdotool key Return # Enter starts
# The line setting is the one the search met first: a pty has no parity.
row='^Lobby,[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}[+-][0-9]{2}:[0-9]{2},COM3,"19200,[ne],8,1",20240117,'
until_ok 90 grep -qE "$row[^,]*,21,05,[^,]*,[^,]*,done," "$site/site-record.csv" ||
    fail "the site window did not record the reader: $(cat "$site/site-record.csv" 2>/dev/null)"
until_ok 30 grep -q '<td>Lobby</td>' "$site/site.html" || fail "the site window did not write the report"
sleep 1 # the tone; then the window asks for the reader to be removed
shot site-big5
xdotool key Return # Stop, which has the focus while the site runs
sleep 2
xdotool key Tab Tab Tab space # from Start past Cards and the table to English
until_ok 30 test "$(value LanguageFlag)" = "REG_SZ English" || fail "the site window saved LanguageFlag '$(value LanguageFlag)'"
sleep 0.5
shot site-en
xdotool key Tab Tab Tab space # past the Chinese buttons to Exit
until_ok 30 bash -c "! kill -0 $app" || fail "Exit did not end the site window"
status=0
wait "$app" || status=$?
app=
[ $status -eq 0 ] || fail "the site window ended with $status"
echo "site window: $(tail -n 1 "$site/site-record.csv" | tr -d '\r')"

wine "$installed/uninstall.exe" /S >>"$log" 2>&1 || fail "the uninstaller failed"
# The uninstaller runs from a copy of itself and returns at once.
until_ok 60 test ! -e "$installed/readerconfig.exe" || fail "the uninstaller left the program"
until_ok 30 bash -c "! wine reg query '$uninstall_key' >/dev/null 2>&1" || fail "the uninstall entry stayed"
[ ! -e "$shortcut" ] && [ ! -e "$site_shortcut" ] || fail "the uninstaller left a shortcut"
expect_value ScanCommNo "REG_DWORD 0x3"
echo "installed, scanned (COM3, 19200,e,8,1), saved, switched to ChineseBIG5, exited with 0, set and read back" \
    "with readerctl.exe, commissioned and recorded in the site window, uninstalled"

echo "-- link figures: Linux and wine, reader-sim on a pty at 19200,e,8,1"
rows() { # rows FIGURE: the row of each build
    XDG_CONFIG_HOME=$serial/xdg "$bench/bench/bench-link-rows" "$1" 3 >>"$serial/linux.rows"
    wine "$root/bench/bench-link-rows.exe" "$1" 3 2>>"$log" | tr -d '\r' >>"$serial/wine.rows"
}
rows exchange
echo silent >&3
rows timeout
echo talk >&3
echo "hold 499602D2" >&3
rows poll
paste "$serial/linux.rows" "$serial/wine.rows" |
    awk -F'\t' 'BEGIN { printf "%-56s %-20s %s\n", "figure", "Linux", "wine" }
                { printf "%-56s %-20s %s\n", $1, $2, $4 }'
echo "windows-gui stage: $((SECONDS - started)) s"
