# Installation and the Debian package (cpack in the build folder, see scripts/package).
# The package takes the project's one version, like --version and the about box.

include(GNUInstallDirs)

set(KARVEN_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/packaging)
set(KARVEN_PACKAGE_MAINTAINER "KARVEN-Entwicklung <karven@example.com>"
    CACHE STRING "Maintainer field of the Debian package")
set(KARVEN_ICON_SIZES 16 32 48 64 128 256)

# The PNG icons are drawn at build time by the code that draws the about box's icon.
set(icon_folder ${PROJECT_BINARY_DIR}/icons)
set(icon_files)
foreach(size IN LISTS KARVEN_ICON_SIZES)
  list(APPEND icon_files ${icon_folder}/${size}x${size}/apps/karven.png)
endforeach()
add_custom_command(OUTPUT ${icon_files}
  COMMAND karven-iconrender ${icon_folder} ${KARVEN_ICON_SIZES}
  DEPENDS karven-iconrender
  COMMENT "Drawing the program icon")

# Debian wants manual pages compressed, without a time stamp in the archive.
set(man_files)
foreach(program karven karven-admin)
  set(man_file ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${man_file}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND gzip -9nc ${KARVEN_PACKAGING_DIR}/man/${program}.1 > ${man_file}
    DEPENDS ${KARVEN_PACKAGING_DIR}/man/${program}.1
    VERBATIM)
  list(APPEND man_files ${man_file})
endforeach()
# Debian's changelog and copyright, and the guides for the people at a site.
configure_file(${KARVEN_PACKAGING_DIR}/changelog.in ${PROJECT_BINARY_DIR}/doc/changelog @ONLY)
set(changelog_file ${PROJECT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog_file}
  COMMAND gzip -9nc ${PROJECT_BINARY_DIR}/doc/changelog > ${changelog_file}
  DEPENDS ${PROJECT_BINARY_DIR}/doc/changelog
  VERBATIM)
add_custom_target(karven-package-files ALL DEPENDS ${icon_files} ${man_files} ${changelog_file})

set(KARVEN_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/karven)
install(FILES ${KARVEN_PACKAGING_DIR}/copyright ${changelog_file} DESTINATION ${KARVEN_DOC_DIR})
install(FILES ${PROJECT_SOURCE_DIR}/docs/benutzerhandbuch.md ${PROJECT_SOURCE_DIR}/docs/karven-admin.md
              ${PROJECT_SOURCE_DIR}/docs/errors.md
        DESTINATION ${KARVEN_DOC_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/docs/images/ DESTINATION ${KARVEN_DOC_DIR}/images
        FILES_MATCHING PATTERN "*.png")

install(TARGETS karven karven-admin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KARVEN_PACKAGING_DIR}/karven.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KARVEN_PACKAGING_DIR}/icons/karven.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size IN LISTS KARVEN_ICON_SIZES)
  install(FILES ${icon_folder}/${size}x${size}/apps/karven.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${man_files} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The service that reads the time clocks' files; installed, not enabled.
install(FILES ${KARVEN_PACKAGING_DIR}/karven-stempeluhr.service DESTINATION /lib/systemd/system)


set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME karven)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "KARVEN")
set(CPACK_PACKAGE_CONTACT ${KARVEN_PACKAGE_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Kartenzuordnung: nicht zugeordnete Kartenbuchungen zuordnen")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KARVEN_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Die Stempeluhren der Filialen buchen Kommen und Gehen per Karte. Eine Karte,
die die zentrale Datenbank nicht kennt, ergibt eine nicht zugeordnete Buchung.
KARVEN listet diese Buchungen und ordnet die Karte einem Mitarbeiter zu; seine
Buchungen werden dann Zeitbuchungen des Mitarbeiters.
.
Enthält das Programm karven und das Verwaltungswerkzeug karven-admin
(Datenbank anlegen, Demodaten, Sicherung und Wiederherstellung).")
# The libraries the programs link come from dpkg-shlibdeps (libpq, libsqlite3,
# libxlsxwriter4 for karven-admin's workbooks; scripts/test-package checks);
# the plugins Qt loads at run time do not show up there and are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6sql6-sqlite, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
