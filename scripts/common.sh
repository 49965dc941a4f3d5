# Shared by ./demo and ./check: the Debian packages the project needs, installed when missing.

# Building and running the tool and its tests.
BUILD_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libqt6serialport6-dev
    libpulse-dev libgl-dev fonts-liberation fonts-noto-cjk"

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

# Configures (once) and builds build-folder [extra cmake args...]. Every build of the check treats warnings as
# errors.
build_in() {
    local dir=$1
    shift
    if [ ! -f "$dir/build.ninja" ] || ! grep -q '^CMAKE_COMPILE_WARNING_AS_ERROR:BOOL=ON' "$dir/CMakeCache.txt"; then
        cmake -S . -B "$dir" -G Ninja -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@"
    fi
    cmake --build "$dir" -j"$(nproc)"
}
