#!/usr/bin/env bash
# Installs what building, running and testing need (Debian, as root).
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
packages=(
    cmake ninja-build g++ pkg-config file
    g++-mipsel-linux-gnu qemu-user
    dpkg-dev make
    libgtest-dev libgmock-dev libbenchmark-dev nlohmann-json3-dev
    libfreetype-dev fonts-dejavu-core fonts-dejavu-extra libpng-dev libjpeg62-turbo-dev
    libgif-dev giflib-tools libgif-dev:mipsel
    clang libclang-rt-14-dev valgrind time
    imagemagick python3-pil ffmpeg
    lynx poppler-utils wget openssl python3
    libcpp-httplib-dev chromium nodejs
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The browser tests' driver (tests/browser): playwright-core from the npm registry, pointed at
# Debian's chromium; it downloads no browser of its own.
browser_driver() {
    command -v npm > /dev/null || apt-get install -y -qq --no-install-recommends npm
    (cd "$(dirname "$0")/../tests/browser" &&
        PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
}
[ ${#missing[@]} -gt 0 ] || { browser_driver; exit 0; }
if [ "$(id -u)" -ne 0 ]; then
    echo "setup.sh: these packages are missing and installing them needs root:" >&2
    echo "    ${missing[*]}" >&2
    echo "setup.sh: run it as root (for instance: sudo ./tools/setup.sh)." >&2
    exit 1
fi
if ! dpkg --print-foreign-architectures | grep -qx mipsel; then
    dpkg --add-architecture mipsel
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
browser_driver
