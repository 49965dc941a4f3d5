# shellcheck shell=bash
# The installable tool: desktop entry and metainfo validated, the .deb built from a Release build of its own and
# unpacked into a throw-away root, where every file must land in its place and the programs must start.
set -euo pipefail
. scripts/common.sh
need_packages desktop-file-utils appstream dpkg-dev binutils man-db

fail() {
    echo "package: $*" >&2
    exit 1
}

app_id=tw.com.velno.readerconfig
desktop-file-validate packaging/readerconfig.desktop packaging/readerconfig-site.desktop
appstreamcli validate --no-net "packaging/$app_id.metainfo.xml" >/dev/null ||
    { appstreamcli validate --no-net "packaging/$app_id.metainfo.xml"; fail "metainfo does not validate"; }

# The Release build that 35-windows-gui began (reader-sim and the benchmark's rows): what it compiled is not
# compiled again. Only the packaged programs are built: cpack would otherwise build the tests too
# (CMAKE_SKIP_INSTALL_ALL_DEPENDENCY).
dir=$RELEASE_BUILD
configure_release >"$dir.configure.log" 2>&1 || { cat "$dir.configure.log"; fail "configure failed"; }
rm -f "$dir.configure.log"
cmake --build "$dir" -j"$(nproc)" --target installed-programs
rm -f "$dir"/readerconfig_*.deb
(cd "$dir" && cpack -G DEB >cpack.log 2>&1) || { cat "$dir/cpack.log"; fail "cpack failed"; }
debs=("$dir"/readerconfig_*_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one readerconfig_*.deb in $dir"
deb=${debs[0]}

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

# Control fields.
version=$(sed -n 's/^project(readerconfig VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ "$(dpkg-deb -f "$deb" Package)" = readerconfig ] || fail "package name is not readerconfig"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "package version is not the project's $version"
depends=$(dpkg-deb -f "$deb" Depends)
# The package names in Depends, one a line (alternatives "a | b" count as both).
depends_names=$(tr ',|' '\n' <<<"$depends" | awk 'NF { print $1 }')
has_dependency() { grep -qxF "$1" <<<"$depends_names"; }
for p in libqt6widgets6 libqt6gui6 libqt6core6 libpulse0 libc6 libstdc++6 fonts-liberation fonts-noto-cjk; do
    has_dependency "$p" || fail "Depends lacks $p: $depends"
done

# Depends must name real packages that apt can satisfy, as `apt install ./readerconfig_*.deb` needs.
apt-get install -s --no-install-recommends "$(realpath "$deb")" >"$root.apt.log" 2>&1 ||
    { cat "$root.apt.log"; rm -f "$root.apt.log"; fail "apt cannot install the package"; }
rm -f "$root.apt.log"

# Every file in its place, nothing elsewhere.
programs=(readerconfig readerctl)
[ -x "$dir/reader-sim" ] && programs+=(reader-sim)
expected=(usr/share/applications/readerconfig.desktop usr/share/applications/readerconfig-site.desktop
    "usr/share/metainfo/$app_id.metainfo.xml"
    usr/share/doc/readerconfig/README.md usr/share/man/man1/readerctl.1
    usr/share/bash-completion/completions/readerctl)
for size in 16 48 128 256; do
    expected+=("usr/share/icons/hicolor/${size}x$size/apps/readerconfig.png")
done
for program in "${programs[@]}"; do
    expected+=("usr/bin/$program")
done
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | sort)
wanted=$(printf '%s\n' "${expected[@]}" | sort)
[ "$actual" = "$wanted" ] || fail "files differ from the expected layout:
$(diff <(echo "$wanted") <(echo "$actual") || true)"

for size in 16 48 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x$size/apps/readerconfig.png"
    # The IHDR chunk holds width and height as big-endian 32-bit numbers at bytes 16 to 23.
    read -r width height < <(od -An -tu1 -j16 -N8 "$png" |
        awk '{ print ($1 * 16777216 + $2 * 65536 + $3 * 256 + $4), ($5 * 16777216 + $6 * 65536 + $7 * 256 + $8) }')
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "${size}x$size icon is ${width}x$height"
done

for entry in "$root"/usr/share/applications/*.desktop; do
    exec_program=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
    icon=$(sed -n 's/^Icon=//p' "$entry")
    [ -x "$root/usr/bin/$exec_program" ] || fail "$(basename "$entry") starts '$exec_program', which is not in usr/bin"
    [ "$icon" = readerconfig ] || fail "$(basename "$entry") names icon '$icon', the icons are readerconfig.png"
done
grep -qx 'Exec=readerconfig --site' "$root/usr/share/applications/readerconfig-site.desktop" ||
    fail "the site entry does not open the site window"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
# As a software centre sees the installed tree: the metainfo's launchable must name the installed entry.
appstreamcli validate-tree --no-net "$root" >/dev/null || appstreamcli validate-tree --no-net "$root" ||
    fail "the installed tree does not validate"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release entry for $version"

# The Debian package that holds a library file; dpkg knows each file by the path its package ships, which on a
# merged-/usr system may be the /lib twin of what the loader reports.
library_owner() {
    local real
    real=$(readlink -f "$1")
    dpkg -S "*${real#/usr}" 2>/dev/null | awk -F: 'NR == 1 { print $1 }'
}

# The programs from the package: nothing points back into the build tree, each library they link comes from a
# package named in Depends, and they start.
for program in "${programs[@]}"; do
    binary="$root/usr/bin/$program"
    if readelf -d "$binary" | grep -E 'R(UN)?PATH' >/dev/null; then
        fail "$program carries a run path: $(readelf -d "$binary" | grep -E 'R(UN)?PATH')"
    fi
    resolved=$(ldd "$binary")
    for library in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
        path=$(awk -v l="$library" '$1 == l && $2 == "=>" { print $3 }' <<<"$resolved")
        [ -n "$path" ] && [ "$path" != "not" ] || fail "$program needs $library, which is not installed"
        owner=$(library_owner "$path")
        [ -n "$owner" ] || fail "$program needs $library ($path), which no Debian package provides"
        has_dependency "$owner" || fail "$program needs $library from $owner, which Depends does not name"
    done
done

# A linker keeps an object of a static library only when something refers to it, and nothing refers to the
# compiled resources on its own: without Q_INIT_RESOURCE the window's buttons come out blank.
nm -C "$dir/readerconfig" | grep 'qInitResources_resources' >/dev/null ||
    fail "readerconfig does not carry resources.qrc (its pictures); call Q_INIT_RESOURCE(resources) at start"

# Both windows, as their menu entries open them.
for window in "" --site; do
    status=0
    # shellcheck disable=SC2086
    XDG_CONFIG_HOME="$root/config" QT_QPA_PLATFORM=offscreen timeout 3 "$root/usr/bin/readerconfig" $window \
        >"$root/start.log" 2>&1 || status=$?
    # 124: still running when the time was up, which is what a window waiting for its user does.
    [ "$status" -eq 124 ] ||
        { cat "$root/start.log"; fail "the packaged readerconfig $window ended with status $status at start"; }
done
if [[ " ${programs[*]} " == *" reader-sim "* ]]; then
    "$root/usr/bin/reader-sim" --help >/dev/null || fail "the packaged reader-sim --help failed"
fi
"$root/usr/bin/readerctl" --version >/dev/null || fail "the packaged readerctl --version failed"
man -l "$root/usr/share/man/man1/readerctl.1" >/dev/null 2>&1 || fail "readerctl.1 does not format"

echo "package: $(basename "$deb") ($(du -k "$deb" | cut -f1) KiB), Depends: $depends"
