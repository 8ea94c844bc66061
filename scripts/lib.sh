# shellcheck shell=bash
# Shared by the scripts in this folder: the Debian packages Numino needs, and
# the build steps. Source it; do not run it.

# Build and test: compiler, build tools, Qt 6, the font the board is drawn
# with, Qt's Italian translations, GoogleTest, Google Benchmark and Xlib (for
# the start-up probe in bench/), libSM and libICE (for the session manager of
# the tests), an X server for the tests that need a real one, and the
# desktop-file checkers.
NUMINO_PACKAGES=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev qt6-translations-l10n fonts-liberation2
  libgtest-dev libgmock-dev libbenchmark-dev libx11-dev libsm-dev libice-dev
  xvfb xauth xdotool x11-apps imagemagick
  desktop-file-utils appstream dpkg-dev file
)

numino_root() { cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd; }

# Installs whichever of the given packages are missing. As root it runs
# apt-get; otherwise it prints the line to run and fails.
numino_ensure_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Numino needs these Debian packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
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
# warnings into errors) always reaches the build.
numino_build() {
  local preset=$1
  shift
  cmake --preset "$preset" || return 1
  cmake --build --preset "$preset" "$@" || return 1
}
