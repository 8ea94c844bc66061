# shellcheck shell=bash
# Shared by the scripts in this folder: the Debian packages Numino needs, and
# the build steps. Source it; do not run it.

# The Debian release this runs on, as its number (12, 13); empty where
# /etc/os-release gives none (testing, unstable), which counts as newest.
numino_debian_release() { (. /etc/os-release 2>/dev/null && echo "${VERSION_ID:-}"); }

# The one place where the package names differ between releases. The
# board is drawn in Liberation Sans 2: on Debian 12 that is
# fonts-liberation2 (fonts-liberation there is the old 1.07); from Debian
# 13 on, fonts-liberation is Liberation 2 and fonts-liberation2 an empty
# transitional package. Every other name is the same on both.
if [ "$(numino_debian_release)" = 12 ]; then
  NUMINO_FONT_PACKAGE=fonts-liberation2
else
  NUMINO_FONT_PACKAGE=fonts-liberation
fi

# Build and run (scripts/run): compiler, build tools, Qt 6, the X client
# library that asks a clipboard's owner for its size, the font the board is
# drawn with and Qt's Italian translations.
NUMINO_RUN_PACKAGES=(
  cmake ninja-build g++
  qt6-base-dev libgl-dev libxcb1-dev qt6-translations-l10n "$NUMINO_FONT_PACKAGE"
)
# An X server without a screen, and the xauth that xvfb-run needs: the tests
# that need a real X server run on it, and scripts/run suggests xvfb-run
# where there is no display.
NUMINO_XVFB_PACKAGES=(xvfb xauth)
# Build and test (scripts/test, scripts/bench): all that, and GoogleTest,
# Google Benchmark and Xlib (for the start-up probe in bench/), libSM and
# libICE (for the tests' session manager), the X server and the tools that
# drive it, fill its clipboard and photograph it, and the desktop-file
# checkers; a private session bus, the accessibility bus and its Python
# client for reading the board through AT-SPI, and the screen reader Orca
# with the speech it talks through.
NUMINO_PACKAGES=(
  "${NUMINO_RUN_PACKAGES[@]}" pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libsm-dev libice-dev
  "${NUMINO_XVFB_PACKAGES[@]}" xdotool xclip x11-apps imagemagick
  desktop-file-utils appstream dpkg-dev file
  dbus-daemon at-spi2-core python3-gi gir1.2-atspi-2.0
  orca python3-pyatspi speech-dispatcher speech-dispatcher-espeak-ng espeak-ng
)
# The fuzzers (scripts/fuzz): clang with libFuzzer and the sanitizers'
# runtimes, and GoogleTest for the tests folder that the fuzz build
# configures too.
NUMINO_FUZZ_PACKAGES=(cmake ninja-build clang libclang-rt-dev libgtest-dev)
# CI=true scripts/test: everything the tests need, clang-format for the
# format check, and the fuzzers' packages. Asked for all at once before
# anything is built, so that a run does not stop halfway for more.
NUMINO_CI_PACKAGES=("${NUMINO_PACKAGES[@]}" clang-format "${NUMINO_FUZZ_PACKAGES[@]}")
# The release files (scripts/package): the build tools, git for the source
# tarball, Python for the changelog, and debhelper and build-essential
# (which dpkg-buildpackage asks for) for the Debian package.
NUMINO_PACKAGING_PACKAGES=("${NUMINO_RUN_PACKAGES[@]}" git python3 debhelper build-essential)
# The package's tests (tests/install) build it, check it with lintian and
# with blhc (the hardening flags in the build log), install it and purge
# it; the MIME database is one of the caches they look in. scripts/test
# asks for them with the test packages.
NUMINO_PACKAGE_TEST_PACKAGES=("${NUMINO_PACKAGING_PACKAGES[@]}" lintian blhc shared-mime-info)

numino_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Prints, once each, those of the given packages that are not installed.
# A package removed but not purged is still known to dpkg; it counts as
# missing.
numino_missing_packages() {
  local -A have=()
  local status p
  while read -r status p; do
    [ "$status" = installed ] && have[$p]=1
  done < <(dpkg-query -W -f='${db:Status-Status} ${Package}\n' "$@" 2>/dev/null)
  for p in "$@"; do
    [ -n "${have[$p]:-}" ] || { echo "$p"; have[$p]=1; }
  done
}

# Prints the one line that installs the given packages, as the user running
# this can run it: root runs apt-get itself; anyone else goes through sudo
# where it is installed, and through su, which asks for root's password,
# where it is not (a Debian installed with a root password has no sudo).
# The package lists come first: a fresh system has none.
numino_install_command() {
  local install="apt-get install -y --no-install-recommends $*"
  if [ "$(id -u)" -eq 0 ]; then
    echo "apt-get update && $install"
  elif command -v sudo >/dev/null 2>&1; then
    echo "sudo apt-get update && sudo $install"
  else
    echo "su -c 'apt-get update && $install'"
  fi
}

# Installs whichever of the given packages are missing. As root it runs
# apt-get; otherwise it prints the line to run and fails, before anything
# is built.
numino_ensure_packages() {
  local missing
  mapfile -t missing < <(numino_missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Numino needs Debian packages that are not installed, and nothing has been built yet." >&2
    echo "Install them with this line, then run scripts/${0##*/} again:" >&2
    echo "  $(numino_install_command "${missing[@]}")" >&2
    return 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" \
    || { echo "apt-get could not install: ${missing[*]}" >&2; return 1; }
}

# numino_build PRESET [BUILD OPTIONS...]: configures with the CMakePresets.json
# preset and builds it; the options go to `cmake --build` (--target ...).
# It configures every time, which takes seconds and changes nothing that has
# not changed, so that an edited preset or a different CI (which turns
# warnings into errors) always reaches the build. The default preset builds
# the tests and benchmarks unless NUMINO_PROGRAM_ONLY is set (scripts/run);
# they are asked for each time, so that a folder scripts/run configured gets
# them back from scripts/test.
numino_build() {
  local preset=$1 options=()
  shift
  if [ "$preset" = default ]; then
    local with=ON
    [ -n "${NUMINO_PROGRAM_ONLY:-}" ] && with=OFF
    options=(-DNUMINO_BUILD_TESTS=$with -DNUMINO_BUILD_BENCH=$with)
  fi
  cmake --preset "$preset" "${options[@]}" || return 1
  cmake --build --preset "$preset" "$@" || return 1
}
