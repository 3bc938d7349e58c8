#!/usr/bin/env bash
# Installs everything the project needs to build, test, run the example cycle
# and plot, from Debian's package archive. The README and CI both call this, so
# a dependency missing here shows up as a red CI run rather than a surprise.
set -euo pipefail

usage() {
  cat <<'USAGE'
Usage: install-deps.sh [--no-test-browser]
Installs the Debian packages the project needs to build, test, run the example
cycle and plot (with sudo when not run as root); packages already installed
are left alone. --no-test-browser leaves out what only the tests need that a
production machine would not want: the browser that loads the status page.
USAGE
}
with_browser=true
case "$*" in
  "") ;;
  --no-test-browser) with_browser=false ;;
  -h | --help) usage && exit 0 ;;
  *) usage >&2 && exit 64 ;;
esac

packages=(
  build-essential
  cmake
  pkg-config
  libcurl4-openssl-dev
  libtinyxml-dev
  libgtest-dev
  libeigen3-dev
  nlohmann-json3-dev
  faketime
  libfiu-dev
  openssl
  python3
  python3-pyftpdlib
  python3-jsonschema
  gnuplot-nox
  clang-format
  # The fuzz targets and their CTest smoke: clang with libFuzzer and the
  # sanitizer runtimes.
  clang-14
  libclang-rt-14-dev
)
# Only the tests use these (cli.status-page): headless, never for the service.
test_packages=(
  chromium
)
if $with_browser; then packages+=("${test_packages[@]}"); fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
