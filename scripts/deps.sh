# Installs, quietly and only when missing, the Debian 12 packages the panel needs to
# build, run and be tested. Sourced by the scripts of this folder.

orl_packages=(
    build-essential cmake ninja-build ccache pkg-config
    qt6-base-dev libgl-dev libxcb1-dev
    libgtest-dev googletest libbenchmark-dev
    clang libclang-rt-dev lld clang-format clang-tidy
    xvfb xauth x11-apps x11-utils imagemagick fonts-liberation stress-ng
    dpkg-dev desktop-file-utils lintian xdotool
    liblo-dev liblo-tools
    dbus at-spi2-core python3-pyatspi
)

orl_install_deps() {
    local missing=()
    for p in "${orl_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "missing packages: ${missing[*]} (run as root to install them)" >&2
        return 1
    fi
    echo "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# Configures and builds one build folder: orl_build DIR [extra cmake args...]
orl_build() {
    local dir=$1
    shift
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "${launcher[@]}" "$@" >/dev/null
    # ccache takes compiles that use the tests' precompiled headers only with this.
    CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime \
        cmake --build "$dir" -j "$(nproc)"
}

# The build with AddressSanitizer and UndefinedBehaviorSanitizer, in build-asan. clang
# builds it in about half of gcc's time, and its warnings are a second opinion on the
# code; the program's sources are compiled a module at a time (a unity build), which the
# plain build, compiling every file on its own, keeps honest about its includes.
orl_build_sanitized() {
    orl_build build-asan -DCMAKE_CXX_COMPILER=clang++ -DORL_SANITIZE=ON -DCMAKE_UNITY_BUILD=ON \
        -DORL_WARNINGS_AS_ERRORS=ON
}
