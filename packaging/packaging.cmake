# The installed files beyond the programs, and the Debian package CPack
# makes of them:
#
#   cmake --build --preset release --target package
#
# writes build/release/kestrim_VERSION_ARCH.deb. The manual page and the
# Debian changelog are compressed here with gzip -9n, as Debian's policy
# asks (no name nor time stamp in them, so the same sources make the same
# files).

set(KESTRIM_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KESTRIM_GZIP_DIR ${PROJECT_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${KESTRIM_GZIP_DIR})
configure_file(${KESTRIM_PACKAGING_DIR}/changelog.in ${KESTRIM_GZIP_DIR}/changelog @ONLY)

add_custom_command(
  OUTPUT ${KESTRIM_GZIP_DIR}/kestrim.1.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/docs/kestrim.1 ${KESTRIM_GZIP_DIR}/kestrim.1
  COMMAND gzip -9nf ${KESTRIM_GZIP_DIR}/kestrim.1
  DEPENDS ${PROJECT_SOURCE_DIR}/docs/kestrim.1
  VERBATIM)
add_custom_command(
  OUTPUT ${KESTRIM_GZIP_DIR}/changelog.gz
  COMMAND gzip -9nkf ${KESTRIM_GZIP_DIR}/changelog
  DEPENDS ${KESTRIM_PACKAGING_DIR}/changelog.in
  VERBATIM)
add_custom_target(compressed_docs ALL
  DEPENDS ${KESTRIM_GZIP_DIR}/kestrim.1.gz ${KESTRIM_GZIP_DIR}/changelog.gz)
# kestrim-import is documented in the same page.
file(CREATE_LINK kestrim.1.gz ${KESTRIM_GZIP_DIR}/kestrim-import.1.gz SYMBOLIC)

install(FILES ${KESTRIM_GZIP_DIR}/kestrim.1.gz ${KESTRIM_GZIP_DIR}/kestrim-import.1.gz
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES data/walk-short.track DESTINATION ${CMAKE_INSTALL_DATADIR}/kestrim)
install(FILES ${KESTRIM_PACKAGING_DIR}/kestrim.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTRIM_PACKAGING_DIR}/kestrim.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KESTRIM_PACKAGING_DIR}/kestrim-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kestrim.xml)
install(FILES ${KESTRIM_PACKAGING_DIR}/io.github.kestrim.Kestrim.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KESTRIM_PACKAGING_DIR}/copyright ${KESTRIM_GZIP_DIR}/changelog.gz
        DESTINATION ${CMAKE_INSTALL_DOCDIR})

# ------------------------------------------------------------ the package

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrim)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_CONTACT "Kestrim maintainers <maintainers@users.noreply.c-seed-eabd119e.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "viewer of recorded GPS tracks in 3D")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries from the binary (dpkg-shlibdeps), gpsbabel for the GPS
# files it converts, and proj-data for the geoid grid egm96_15.gtx; Xvfb
# for kestrim --screenshot where there is no display.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gpsbabel, proj-data")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xvfb")
# The long description, below the summary (CPack indents its lines).
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kestrim opens the track a GPS receiver or app recorded and shows it in an
OpenGL window: the fixes as points, with cubic, linear and Bessel curves
fitted through them and coloured by speed, to orbit, move, zoom and turn
with the mouse and keys. It prints the track's statistics (distance,
moving time and speed, heights, ascent and descent), with --stats without
a window, and saves a picture of the view with --screenshot.

GPX, TCX, FIT, KML, IGC and NMEA files open directly, converted with
gpsbabel; kestrim-import converts one once into Kestrim's track format.")
# Owned by root, whatever user builds the package.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
