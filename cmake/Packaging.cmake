# The Debian package: `cpack -G DEB` in the build folder writes
# numino_<version>_<arch>.deb. Included from data/CMakeLists.txt once every
# install rule exists.

set(CPACK_PACKAGE_NAME numino)
set(CPACK_PACKAGE_VENDOR "Gli sviluppatori di Numino")
set(CPACK_PACKAGE_CONTACT "Gli sviluppatori di Numino <numino@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "assistant for solving 9x9 number puzzles by hand")
set(CPACK_PACKAGE_INSTALL_DIRECTORY numino)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)
# The build folder also holds test and benchmark programs; only what the
# install rules name goes in.
set(CPACK_COMPONENTS_ALL numino)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
# CPack puts the summary on the first line and this text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Numino helps you solve 9x9 number-placement puzzles by hand. You type the
puzzle's givens into the grid and work toward the solution there: every
empty cell shows which digits its row, column and box already rule out and
which ones you ruled out yourself, the cells where the current digit can
still go are painted green, and Numino tells you when the full grid is
correct. It never fills a cell for you. Puzzles are kept in small .nmo
documents.
.
The user interface is in Italian.")
# The library dependencies come from dpkg-shlibdeps. The board is drawn in
# Liberation Sans, and Qt's own dialogs speak Italian only with Qt's
# translations installed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Liberation Sans 2 is fonts-liberation2 on Debian 12 and fonts-liberation
# from Debian 13 on, where fonts-liberation2 is an empty transitional
# package: the package names the one of the release it is built on.
file(STRINGS /etc/os-release numino_os_version REGEX "^VERSION_ID=")
if(numino_os_version STREQUAL "VERSION_ID=\"12\"")
  set(numino_font_package fonts-liberation2)
else()
  set(numino_font_package fonts-liberation)
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${numino_font_package}, qt6-translations-l10n")
# No maintainer scripts: the menu entry, the .nmo type and the icons go to
# folders that desktop-file-utils, shared-mime-info and the icon theme watch
# with dpkg triggers, and those update their caches on install and removal.

include(CPack)
