#!/usr/bin/env bash
# The checks behind the install tests. Each one takes its inputs as
# arguments and works in a scratch folder of its own, which it empties first.
#
#   install_checks.sh metainfo METAINFO_FILE
#   install_checks.sh mime     DATA_DIR SCRATCH
#   install_checks.sh install  BUILD_DIR SCRATCH VERSION
#   install_checks.sh deb      PACKAGE SCRATCH VERSION
#
# VERSION is the one project() sets in CMakeLists.txt; PACKAGE is the folder
# scripts/package wrote the package to (package_checks.sh build).
#
# Exit status 0 when every check passed; otherwise each failure is printed.
set -u

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null 2>&1 || { echo "FAIL: $1 is not installed (package $2)" >&2; exit 1; }; }
fresh() { rm -rf "$1" && mkdir -p "$1"; }

# Every file a Numino installation consists of, below the prefix.
EXPECTED_FILES="games/Numino
share/applications/numino.desktop
share/doc/numino/README.md
share/doc/numino/copyright
share/doc/numino/docs/screenshot.png
share/icons/hicolor/128x128/apps/numino.png
share/icons/hicolor/256x256/apps/numino.png
share/icons/hicolor/32x32/apps/numino.png
share/icons/hicolor/64x64/apps/numino.png
share/man/it/man6/Numino.6
share/man/man6/Numino.6
share/metainfo/numino.metainfo.xml
share/mime/packages/numino.xml"

# appstream_clean validate|validate-tree PATH: appstreamcli finds nothing
# at any level, pedantic included, but what it must find in Numino on the
# installed AppStream, each named with its argument below; every other
# finding is printed and fails.
#  - cid-desktopapp-is-not-rdns: the id is the desktop file's name, as the
#    project has no domain to make a reverse-DNS id from;
#  - 0.16 (Debian 12) knows no <developer> element, which 1.0 asks for in
#    place of <developer_name>;
#  - 1.0 (Debian 13) asks the developer element for an id (a reverse-DNS
#    name or a Fediverse handle, which the developers lack) and for a
#    homepage, which the project does not have.
appstream_clean() {
  local known=('cid-desktopapp-is-not-rdns numino') out findings
  case $(appstreamcli --version | sed -n 's/^AppStream version: //p') in
    0.*) known+=('unknown-tag developer') ;;
    *) known+=(developer-id-missing url-homepage-missing) ;;
  esac
  out=$(appstreamcli "$1" --no-net --pedantic "$2" 2>&1)
  # A finding is "X: numino:LINE: TAG ARGUMENT", indented by validate-tree;
  # the line is left out.
  findings=$(sed -n 's/^ *[EWIP]: [^ ]*:[^ ]*: //p; s/^ *[EWIP]: [^ ]*: //p' <<<"$out" |
    sed 's/^\([^ ]*\) *$/\1/' | grep -vxF -f <(printf '%s\n' "${known[@]}"))
  if [ -n "$findings" ] || ! grep -q '^ *[EWIP]: \|✔\|succeeded' <<<"$out"; then
    echo "$out" >&2
    return 1
  fi
}

# Files and symbolic links below ROOT, relative to it, sorted.
file_list() { (cd "$1" && find . \( -type f -o -type l \) | sed 's|^\./||' | LC_ALL=C sort); }

# check_tree ROOT [EXPECTED]: compares the files below ROOT/usr with the
# expected list (EXPECTED_FILES unless given), then checks that the pieces
# of the desktop integration name each other correctly.
check_tree() {
  local root=$1 usr=$1/usr
  local expected actual
  expected=$(LC_ALL=C sort <<<"${2:-$EXPECTED_FILES}")
  actual=$(file_list "$root")
  if [ "$actual" != "$(sed 's|^|usr/|' <<<"$expected")" ]; then
    fail "installed files differ from the expected list (< expected, > installed):"
    diff <(sed 's|^|usr/|' <<<"$expected") <(echo "$actual") >&2
  fi
  [ -x "$usr/games/Numino" ] || fail "usr/games/Numino is not executable"
  # The software centre shows the newest release, listed first, as the
  # version installed.
  local newest
  newest=$(sed -n 's/.*<release version="\([^"]*\)".*/\1/p' "$usr/share/metainfo/numino.metainfo.xml" | head -1)
  [ "$newest" = "$version" ] || fail "the newest release in numino.metainfo.xml is \"$newest\", not $version"

  # The copyright file is in Debian's machine-readable format, and its
  # licence for the whole is the one the software centre shows.
  local copyright=$usr/share/doc/numino/copyright licence
  licence=$(sed -n 's|.*<project_license>\(.*\)</project_license>.*|\1|p' "$usr/share/metainfo/numino.metainfo.xml")
  [ "$(head -1 "$copyright")" = "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/" ] ||
    fail "share/doc/numino/copyright is not a machine-readable copyright file"
  [ "$(sed -n '/^Files: \*$/,/^$/s/^License: //p' "$copyright")" = "$licence" ] ||
    fail "the copyright file's licence for Files: * is not the metainfo's $licence"

  # Each icon lies in the folder of its own size.
  local size geometry
  for size in 32 64 128 256; do
    geometry=$(file -b "$usr/share/icons/hicolor/${size}x${size}/apps/numino.png" 2>/dev/null)
    [[ "$geometry" == "PNG image data, $size x $size,"* ]] ||
      fail "icons/hicolor/${size}x${size}/apps/numino.png is not a $size x $size PNG: $geometry"
  done

  local desktop=$usr/share/applications/numino.desktop
  [ -f "$desktop" ] || return 0
  desktop-file-validate "$desktop" || fail "the installed desktop file does not validate"
  # The menu entry starts the installed program with the installed icon, and
  # claims the document type that numino.xml declares: a file manager then
  # starts Numino with the file, which Numino opens (one file, as %f says).
  local key type
  key() { sed -n "s/^$1=//p" "$desktop"; }
  type=$(sed -n 's/.*<mime-type type="\([^"]*\)".*/\1/p' "$usr/share/mime/packages/numino.xml")
  [ "$type" = application/x-numino-document ] || fail "numino.xml declares the type \"$type\""
  [ "$(key Exec)" = "/usr/games/Numino %f" ] ||
    fail "Exec does not start /usr/games/Numino with one file (%f): $(key Exec)"
  [ "$(key Icon)" = numino ] || fail "Icon is not the installed icon name numino: $(key Icon)"
  [ "$(key MimeType)" = "$type;" ] || fail "MimeType=$(key MimeType) instead of the declared $type;"
  grep -qx "    <mediatype>$type</mediatype>" "$usr/share/metainfo/numino.metainfo.xml" ||
    fail "numino.metainfo.xml does not provide the mediatype $type"
  # validate-tree also finds the desktop file the metainfo file launches.
  appstream_clean validate-tree "$root" || fail "appstreamcli validate-tree finds faults in the installed tree"

  # What the desktop's trigger does on installation: the cache it writes
  # names Numino as a program for the type. Last, as it adds a file.
  update-desktop-database "$usr/share/applications" ||
    fail "update-desktop-database failed"
  grep -qx "$type=\(.*;\)\?numino.desktop;.*" "$usr/share/applications/mimeinfo.cache" 2>/dev/null ||
    fail "mimeinfo.cache does not list numino.desktop for $type"
}

case "${1:-}" in
  metainfo)
    need appstreamcli appstream
    appstream_clean validate "$2" || fail "appstreamcli finds faults in numino.metainfo.xml"
    ;;
  mime)
    # update-mime-database exits 0 even on a file it cannot parse, so the
    # check looks at what it compiled.
    need update-mime-database shared-mime-info
    db=$3/mime
    fresh "$db/packages" && cp "$2/numino.xml" "$db/packages/"
    update-mime-database "$db" 2>"$3/update-mime-database.log" || fail "update-mime-database failed"
    grep -qx 'application/x-numino-document:\*\.nmo' <(cut -d: -f2- "$db/globs2") ||
      { fail "*.nmo does not map to application/x-numino-document"; cat "$3/update-mime-database.log" >&2; }
    grep -q '<comment xml:lang="it">Documento NMO</comment>' \
      "$db/application/x-numino-document.xml" 2>/dev/null || fail "no Italian comment \"Documento NMO\""
    ;;
  install)
    need update-desktop-database desktop-file-utils
    version=$4
    fresh "$3"
    DESTDIR=$3/root cmake --install "$2" --prefix /usr --component numino >"$3/install.log" ||
      { cat "$3/install.log" >&2; fail "cmake --install failed"; }
    check_tree "$3/root"
    ;;
  deb)
    need update-desktop-database desktop-file-utils
    version=$4
    fresh "$3"
    debs=("$2"/numino_"$version"_*.deb)
    # Where scripts/package could not run, its own test says why.
    [ -f "${debs[0]}" ] || { echo "SKIP: no numino_${version}_*.deb in $2"; exit 77; }
    deb=${debs[0]}
    dpkg-deb -x "$deb" "$3/root" || fail "dpkg-deb -x failed"
    # As installed, but with the manual pages and the README compressed
    # and the changelog beside them, as Debian has them, and lintian's
    # overrides on the releases that need them (debian/rules).
    overrides=share/lintian/overrides/numino
    [ -e "$3/root/usr/$overrides" ] || overrides=
    check_tree "$3/root" "$(sed 's/\.6$\|README\.md$/&.gz/' <<<"$EXPECTED_FILES")
share/doc/numino/changelog.gz${overrides:+$'\n'$overrides}"
    [ "$(dpkg-deb -f "$deb" Package)" = numino ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
    [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version: $(dpkg-deb -f "$deb" Version)"
    [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section: $(dpkg-deb -f "$deb" Section)"
    # Depends is a comma-separated list of "name (version)" items.
    depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
    for p in qt6-translations-l10n 'libqt6widgets6\(t64\)\?'; do
      grep -qx "$p" <<<"$depends" || fail "Depends lacks $p: $(dpkg-deb -f "$deb" Depends)"
    done
    # The font's package is the one that holds Liberation Sans 2 on this
    # release, not an older version nor an empty transitional package.
    font=$(grep '^fonts-liberation' <<<"$depends")
    font_version=$(dpkg-query -W -f='${Version}' "$font" 2>/dev/null)
    dpkg --compare-versions "${font_version#*:}" ge 2 &&
      dpkg-query -L "$font" | grep -q '/LiberationSans-Regular\.ttf$' ||
      fail "Depends names \"$font\" (here ${font_version:-not installed}), which does not hold Liberation Sans 2"
    # The package has no maintainer scripts: the menu entry, the document
    # type and the icons lie in the folders whose packages (desktop-file-
    # utils, shared-mime-info, the icon theme) watch them with triggers and
    # update their caches on install and removal.
    control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | LC_ALL=C sort)
    [ "$control" = "$(printf 'control\nmd5sums')" ] ||
      fail "the control part holds more than control and md5sums: $(tr "\n" " " <<<"$control")"
    ;;
  *)
    echo "usage: $0 metainfo|mime|install|deb ARGS..." >&2
    exit 1
    ;;
esac

[ "$failures" -eq 0 ]
