#!/usr/bin/env bash
# The checks of the release files that scripts/package makes from the
# commit checked out. `build` makes them once into PACKAGE; the others look
# at them there. Without git (in the source tarball, say) there is no
# commit to make them from, and every check is skipped (status 77).
#
#   package_checks.sh build        SOURCE PACKAGE
#   package_checks.sh lintian      SOURCE PACKAGE
#   package_checks.sh reproducible SOURCE PACKAGE SCRATCH
#   package_checks.sh system       SOURCE PACKAGE SCRATCH OLD_BUILDS
#
# Exit status 0 when every check passed; otherwise each failure is printed.
set -u
src=$2 package=$3

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
skip() { echo "SKIP: $*"; exit 77; }
fresh() { rm -rf "$1" && mkdir -p "$1"; }

[ -e "$src/.git" ] || skip "$src is not a git checkout: there is no commit to package"
[ "$1" = build ] || compgen -G "$package/numino_*.deb" >/dev/null ||
  skip "no package in $package: install.PackageBuilds did not make one"
debs=("$package"/numino_*.deb)
deb=${debs[0]}

case "$1" in
  build)
    fresh "$package"
    "$src/scripts/package" "$package" || fail "scripts/package failed"
    ;;
  lintian)
    # Every tag counts, down to the pedantic ones; overrides in the package
    # say why a tag is wrong about Numino. Lintian's own warning about
    # running as root goes to the error stream and is not a tag.
    tags=$(lintian --pedantic --display-info "$deb" 2>/dev/null)
    [ -z "$tags" ] || fail "lintian finds, in $(basename "$deb"):"$'\n'"$tags"
    # Every compile and link line of the build had Debian's hardening flags.
    blhc "${deb%.deb}.build" >&2 || fail "blhc finds build lines without the hardening flags"
    ;;
  reproducible)
    # A second build of the same commit, in another folder, minutes later,
    # with another time zone and umask, makes the same bytes.
    scratch=$4
    fresh "$scratch"
    git clone -q "$src" "$scratch/clone" &&
      git -C "$scratch/clone" checkout -q "$(git -C "$src" rev-parse HEAD)" || exit 1
    (umask 0002 && TZ=Pacific/Kiritimati "$scratch/clone/scripts/package" "$scratch/again" >/dev/null) ||
      fail "the second build failed"
    for first in "$deb" "$package"/numino-*.tar.gz; do
      second=$scratch/again/$(basename "$first")
      if ! cmp -s "$first" "$second"; then
        fail "$(basename "$first") differs between the two builds"
        source "$src/scripts/lib.sh"
        numino_ensure_packages diffoscope-minimal >&2 && diffoscope "$first" "$second" >&2
      fi
    done
    ;;
  system)
    # In the manner of piuparts: installed on a system without Numino,
    # fresh and as an upgrade of 1.1.0, the package brings what it needs,
    # and Numino starts and is known to the desktop's caches; purged, it
    # leaves no file behind. This changes the system it runs on, so it
    # runs only as root and where no Numino is installed, and puts the
    # system back as it found it, also when a check fails.
    scratch=$4 old_builds=$5
    [ "$(id -u)" -eq 0 ] || skip "installing a package needs root"
    state=$(dpkg-query -W -f='${db:Status-Status}' numino 2>/dev/null)
    [ -z "$state" ] || [ "$state" = not-installed ] ||
      skip "numino is on this system already ($state); this check would remove it"
    fresh "$scratch"
    export DEBIAN_FRONTEND=noninteractive
    packages() { dpkg-query -W -f='${db:Status-Status} ${binary:Package}\n' | sed -n 's/^installed //p'; }
    # Every file and folder a package could have touched, but dpkg's and
    # apt's own records and what the triggers rebuild in place: the MIME
    # database's files, the desktop's and the icons' caches.
    files() {
      find /etc /usr /var/lib /opt \( -path /var/lib/dpkg -o -path /var/lib/apt \) -prune -o -print |
        grep -Ev '^/usr/share/mime/[^/]*$|/mimeinfo\.cache$|/icon-theme\.cache$' | LC_ALL=C sort
    }
    packages >"$scratch/packages.before"
    # Purges numino, and then what installing it pulled in.
    cleanup() {
      local added
      apt-get purge -y -qq numino >"$scratch/purge.log" 2>&1 || return 1
      mapfile -t added < <(comm -13 "$scratch/packages.before" <(packages))
      [ ${#added[@]} -eq 0 ] || apt-get purge -y -qq "${added[@]}" >>"$scratch/purge.log" 2>&1
    }
    trap cleanup EXIT
    files >"$scratch/files.before"

    installed() {  # VERSION: the one installed answers and is in the caches
      local type=application/x-numino-document
      [ "$(dpkg-query -W -f='${Version}' numino)" = "$1" ] || fail "numino $1 is not installed"
      QT_QPA_PLATFORM=offscreen /usr/games/Numino --help >"$scratch/help" 2>&1 &&
        grep -q -- --version "$scratch/help" || fail "/usr/games/Numino --help: $(cat "$scratch/help")"
      [ ! -e /usr/bin/Numino ] || fail "/usr/bin/Numino is still there"
      grep -qx "$type=\(.*;\)\?numino.desktop;.*" /usr/share/applications/mimeinfo.cache ||
        fail "the desktop's mimeinfo.cache does not offer numino.desktop for $type"
      grep -q ":$type:\*\.nmo$" /usr/share/mime/globs2 || fail "the MIME database does not map *.nmo to $type"
      appstreamcli refresh-cache --force --cachepath "$scratch/appstream" >/dev/null 2>&1
      appstreamcli get --cachepath "$scratch/appstream" numino 2>&1 | grep -q '^Identifier: numino' ||
        fail "appstreamcli does not find numino: $(appstreamcli get --cachepath "$scratch/appstream" numino 2>&1)"
    }
    purged() {  # after purging, the files are those from before installing
      cleanup || fail "apt-get purge: $(cat "$scratch/purge.log")"
      diff "$scratch/files.before" <(files) >&2 || fail "purging numino $1 leaves the system changed (< before, > after)"
    }
    version=$(dpkg-deb -f "$deb" Version)
    apt-get install -y -qq "$deb" >"$scratch/install.log" 2>&1 || fail "apt-get install $deb: $(cat "$scratch/install.log")"
    installed "$version"
    purged "$version"

    # 1.1.0, built once from its release commit and kept, then this one.
    # GCC 14 (Debian 13) rejects 1.1.0's constexpr table of file errors,
    # which holds const pointers that are not constexpr; GCC 12 let it
    # pass. Made const, it builds; the package is 1.1.0's all the same.
    old=$old_builds/numino-1.1.0
    if ! compgen -G "$old/numino_1.1.0_*.deb" >/dev/null; then
      fresh "$old/source"
      git -C "$src" archive c0e2121 | tar -x -C "$old/source" &&
        sed -i 's/^constexpr KnownError kKnownErrors/const KnownError kKnownErrors/' \
          "$old/source/src/ui/FileAccess.cpp" &&
        env -u CI cmake -S "$old/source" -B "$old/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DNUMINO_BUILD_TESTS=OFF -DNUMINO_BUILD_BENCH=OFF >"$old/build.log" 2>&1 &&
        cmake --build "$old/build" >>"$old/build.log" 2>&1 &&
        cpack -G DEB --config "$old/build/CPackConfig.cmake" -B "$old" >>"$old/build.log" 2>&1 ||
        { fail "building numino 1.1.0 failed: see $old/build.log"; exit 1; }
    fi
    old_debs=("$old"/numino_1.1.0_*.deb)
    apt-get install -y -qq "${old_debs[0]}" >"$scratch/install.log" 2>&1 &&
      apt-get install -y -qq "$deb" >>"$scratch/install.log" 2>&1 ||
      fail "installing 1.1.0, then $version: $(cat "$scratch/install.log")"
    installed "$version"
    purged "1.1.0, then $version,"
    ;;
  *)
    echo "usage: $0 build|lintian|reproducible|system ARGS..." >&2
    exit 1
    ;;
esac

[ "$failures" -eq 0 ]
