# Shared by ./demo and ./check: the Debian packages the project needs, installed when missing.

# Building and running the tool and its tests.
BUILD_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libpulse-dev libgl-dev
    libcli11-dev nlohmann-json3-dev fonts-liberation fonts-noto-cjk"

need_packages() {
    local missing=()
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local cmd="apt-get install -y --no-install-recommends ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages. Please run as root:" >&2
        echo "  apt-get update && $cmd" >&2
        exit 1
    fi
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get install -y --no-install-recommends "${missing[@]}" >/dev/null 2>&1 ||
        { apt-get update >/dev/null && apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# Configures build-folder [extra cmake args...] when it is not configured with them yet. Every build of the check
# treats warnings as errors.
configure_in() {
    local dir=$1
    shift
    local arg name value cached
    local wanted=(-DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@")
    if [ -f "$dir/build.ninja" ]; then
        for arg in "${wanted[@]}"; do
            [[ $arg == -D*=* ]] || continue
            name=${arg#-D}
            value=${name#*=}
            name=${name%%=*}
            # The cache keeps NAME:TYPE=VALUE (a file's path made absolute); a value it holds otherwise (or not at
            # all) configures again.
            cached=$(sed -n "s/^${name%%:*}:[A-Z]*=//p" "$dir/CMakeCache.txt")
            [ "$cached" = "$value" ] || [ "$cached" = "$PWD/$value" ] || {
                cmake -S . -B "$dir" -G Ninja "${wanted[@]}"
                return
            }
        done
        return 0
    fi
    cmake -S . -B "$dir" -G Ninja "${wanted[@]}"
}

# Configures (once) and builds everything in build-folder [extra cmake args...].
build_in() {
    configure_in "$@"
    cmake --build "$1" -j"$(nproc)"
}

# The native build that every test runs in (10-native) and that the stages after it read: Debug, with
# AddressSanitizer, UndefinedBehaviorSanitizer and libstdc++'s and Qt's assertions (READERCONFIG_SANITIZE), so
# that the suite runs once, instrumented, instead of once plain and once again instrumented. Line tables (-g1) are all
# that a sanitizer's report needs for its file:line; full debug information makes the build about 7 % slower.
NATIVE_OPTIONS=(-DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DREADERCONFIG_SANITIZE=ON)
# What a sanitizer finds ends the program that it is in with an error; the leaks that fontconfig and Qt's
# platform plugin keep for the life of the process are not the program's. (./demo runs that build too.)
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/lsan.supp}
# Runs the window on an X display (./demo, the screenshots), which the tests never do: libxkbcommon-x11 strndup()s a
# buffer without a NUL at its end, which strict_string_checks takes for an overflow, and the X libraries keep what
# they allocate to the end.
on_display() {
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 "$@"
}

# The native Release build: the package (40-package), reader-sim and the link benchmark beside wine
# (35-windows-gui) and bench/run build their targets in this one folder.
RELEASE_BUILD=build-bench
configure_release() {
    configure_in "$RELEASE_BUILD" -DCMAKE_BUILD_TYPE=Release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
}

# The Windows program: cross-compilers, wine to run it, NSIS and zip to package it.
WINDOWS_PACKAGES="cmake ninja-build qt6-base-dev-tools g++-mingw-w64-x86-64-posix libcli11-dev nlohmann-json3-dev wine
    wine64 nsis zip file"

# Configures (once per Qt build) the Windows program's build folder against Qt for Windows:
#   configure_windows_gui build-folder qt-prefix
configure_windows_gui() {
    local dir=$1 qt=$2
    if [ -f "$dir/build.ninja" ] && grep -qxF "CMAKE_PREFIX_PATH:UNINITIALIZED=$qt" "$dir/CMakeCache.txt"; then
        return 0
    fi
    rm -rf "$dir"
    cmake -S . -B "$dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DREADERCONFIG_GUI=ON \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr \
        -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake >"$dir.configure.log" 2>&1 ||
        { cat "$dir.configure.log" >&2; return 1; }
    rm -f "$dir.configure.log"
}
