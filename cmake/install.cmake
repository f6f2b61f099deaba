# What `cmake --install` puts on a system and how CPack makes the Debian
# package of it: the executable, the desktop entry, the icon and the README.
# scripts/package builds the package.
include(GNUInstallDirs)

set(KESTRUM_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(KESTRUM_ICON_SIZES 16 32 48 64 128 256)

install(TARGETS Kestrum RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${KESTRUM_PACKAGING}/kestrum.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KESTRUM_PACKAGING}/kestrum.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size ${KESTRUM_ICON_SIZES})
    install(FILES ${KESTRUM_PACKAGING}/icons/kestrum-${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
        RENAME kestrum.png)
endforeach()
# named after the package, as Debian keeps documentation
# with the operator's page on lists that the README points to
install(FILES ${CMAKE_SOURCE_DIR}/README.md
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrum)
install(FILES ${CMAKE_SOURCE_DIR}/docs/lists.md
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/kestrum/docs)

# The installed files, checked in a temporary root.
add_test(NAME install_layout
    COMMAND ${CMAKE_SOURCE_DIR}/tests/package/install_layout.sh
        ${CMAKE_BINARY_DIR} ${KESTRUM_PACKAGING} ${PROJECT_VERSION})
set_tests_properties(install_layout PROPERTIES TIMEOUT 120)

# ---- Debian package ------------------------------------------------------
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kestrum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR Kestrum)
set(CPACK_PACKAGE_CONTACT "Kestrum <dev@kestrum.local>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "metering reference data editor for PostgreSQL")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Kestrum maintains the reference data of a utility-metering database in\n\
PostgreSQL: meters and their measurement channels, heat and water metering\n\
objects, electricity and water supply contracts, organisations with their\n\
bank accounts, central heat points and the address reference. It imports\n\
building addresses from dBase files, shows the archive records of a channel\n\
and registers the meters of all flats of a building in one run.\n\
\n\
The user interface is Russian. The database is reached through unixODBC\n\
and the psqlODBC driver.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the executable links (Qt 6 Core, Gui with its X11 platform
# plugin, Widgets, Charts; libodbc2; libshp2; the C and C++ run-time) come from
# dpkg-shlibdeps; what it loads by name or reads comes from the list below:
# the ODBC driver, the ODBC tools that register it, Qt's Russian texts.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "odbc-postgresql, unixodbc, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KESTRUM_PACKAGING}/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
