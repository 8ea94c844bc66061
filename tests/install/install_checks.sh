#!/usr/bin/env bash
# The checks behind the install tests. Each one takes its inputs as
# arguments and works in a scratch folder of its own, which it empties first.
#
#   install_checks.sh desktop  DATA_DIR
#   install_checks.sh metainfo METAINFO_FILE
#   install_checks.sh mime     DATA_DIR SCRATCH
#   install_checks.sh install  BUILD_DIR SCRATCH VERSION
#   install_checks.sh deb      BUILD_DIR SCRATCH VERSION
#
# VERSION is the one project() sets in CMakeLists.txt.
#
# Exit status 0 when every check passed; otherwise each failure is printed.
set -u

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
need() { command -v "$1" >/dev/null 2>&1 || { echo "FAIL: $1 is not installed (package $2)" >&2; exit 1; }; }
fresh() { rm -rf "$1" && mkdir -p "$1"; }

# Every file a Numino installation consists of, below the prefix.
EXPECTED_FILES="bin/Numino
share/applications/numino.desktop
share/doc/numino/README.md
share/doc/numino/copyright
share/doc/numino/docs/screenshot.png
share/icons/hicolor/128x128/apps/numino.png
share/icons/hicolor/256x256/apps/numino.png
share/icons/hicolor/32x32/apps/numino.png
share/icons/hicolor/64x64/apps/numino.png
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

# Compares the files below ROOT/usr with the expected list, then checks that
# the pieces of the desktop integration name each other correctly.
check_tree() {
  local root=$1 usr=$1/usr
  local expected actual
  expected=$(LC_ALL=C sort <<<"$EXPECTED_FILES")
  actual=$(file_list "$root")
  if [ "$actual" != "$(sed 's|^|usr/|' <<<"$expected")" ]; then
    fail "installed files differ from the expected list (< expected, > installed):"
    diff <(sed 's|^|usr/|' <<<"$expected") <(echo "$actual") >&2
  fi
  [ -x "$usr/bin/Numino" ] || fail "usr/bin/Numino is not executable"
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
  [ "$(key Exec)" = "Numino %f" ] || fail "Exec does not start Numino with one file (%f): $(key Exec)"
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
  desktop)
    need desktop-file-validate desktop-file-utils
    desktop-file-validate "$2/numino.desktop" || fail "desktop-file-validate rejects numino.desktop"
    ;;
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
    need dpkg-shlibdeps dpkg-dev
    need update-desktop-database desktop-file-utils
    version=$4
    fresh "$3"
    cpack -G DEB --config "$2/CPackConfig.cmake" -B "$3" >"$3/cpack.log" 2>&1 ||
      { cat "$3/cpack.log" >&2; fail "cpack failed"; }
    debs=("$3"/numino_"$version"_*.deb)
    if [ ! -f "${debs[0]}" ]; then
      fail "no numino_${version}_*.deb in $3: $(cd "$3" && echo *.deb)"
    else
      deb=${debs[0]}
      dpkg-deb -x "$deb" "$3/root" || fail "dpkg-deb -x failed"
      check_tree "$3/root"
      [ "$(dpkg-deb -f "$deb" Package)" = numino ] || fail "package name: $(dpkg-deb -f "$deb" Package)"
      [ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "version: $(dpkg-deb -f "$deb" Version)"
      [ "$(dpkg-deb -f "$deb" Section)" = games ] || fail "section: $(dpkg-deb -f "$deb" Section)"
      [ "$(dpkg-deb -f "$deb" Maintainer)" = "Gli sviluppatori di Numino <numino@localhost>" ] ||
        fail "maintainer: $(dpkg-deb -f "$deb" Maintainer)"
      # Depends is a comma-separated list of "name (version)" items.
      depends=$(dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
      # The font's package is named by release (scripts/lib.sh); Qt's
      # libraries carry the 64-bit time suffix from Debian 13 on.
      for p in 'fonts-liberation2\?' qt6-translations-l10n 'libqt6widgets6\(t64\)\?'; do
        grep -qx "$p" <<<"$depends" || fail "Depends lacks $p: $(dpkg-deb -f "$deb" Depends)"
      done
      # The package has no maintainer scripts: the menu entry, the document
      # type and the icons lie in the folders whose packages (desktop-file-
      # utils, shared-mime-info, the icon theme) watch them with triggers and
      # update their caches on install and removal.
      control=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' | LC_ALL=C sort)
      [ "$control" = "$(printf 'control\nmd5sums')" ] ||
        fail "the control part holds more than control and md5sums: $(tr "\n" " " <<<"$control")"
    fi
    ;;
  *)
    echo "usage: $0 desktop|metainfo|mime|install|deb ARGS..." >&2
    exit 1
    ;;
esac

[ "$failures" -eq 0 ]
