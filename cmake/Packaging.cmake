# The Debian package: `cpack -G DEB` in the build directory (or
# `./build.sh package`) writes marlune_<version>_amd64.deb from what
# `cmake --install` lays out, under /usr.
set(MARLUNE_PACKAGE_MAINTAINER "Calderix Software <marlune@calderix.example>"
  CACHE STRING "Maintainer of the Debian package: name <address>")
set(MARLUNE_DEB_VERSION "${PROJECT_VERSION}")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME marlune)
set(CPACK_PACKAGE_VENDOR "Calderix Software")
set(CPACK_PACKAGE_VERSION "${MARLUNE_DEB_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_NAME marlune)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MARLUNE_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://github.com/calderix/marlune")
# The libraries come from the binaries; what they load at run time does not:
# Qt's platform plugins, and the fonts the grid and the printed list are
# measured in.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-dejavu-core, fonts-liberation2")
# The short description is the project's; this is the long one.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [=[Marlune finds Australian postcodes and suburbs without a network
connection. Type the beginning of a suburb, or of a postcode, and the list
of every Australian postcode moves to the first record that matches while
you type; copy what was found with Ctrl+C or the list's menu.

The program prints the complete postcode list as a paginated report with a
preview, and fetches a newer list from its update server on request. The
package also holds the command-line tools marlune-find (the same lookup),
marlune-mkdatafile (writes a data file from a CSV list) and marlune-report
(writes the printed list as PDF or PNG).]=])

# What a Debian package has that a plain install has not: compressed manual
# pages, the copyright file and a changelog in /usr/share/doc/marlune.
configure_file(${CMAKE_CURRENT_LIST_DIR}/debian/changelog.in
  ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/DebianLayout.cmake.in
  ${PROJECT_BINARY_DIR}/debian/DebianLayout.cmake @ONLY)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_BINARY_DIR}/debian/DebianLayout.cmake)

include(CPack)
