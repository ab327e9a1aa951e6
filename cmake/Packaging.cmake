# Installing Movra like any Linux desktop program, and its Debian package.
#
#   cmake --install build --prefix /usr      (or DESTDIR=... for a staging tree)
#   cd build && cpack -G DEB                 (movra_<version>_<arch>.deb)
#
# Only the program and the files it needs are installed: no libraries, tests or benchmarks. The
# help text goes to share/movra/, which the program finds relative to its own executable, so any
# prefix works. An installed program cannot write beside itself, so it keeps its settings file
# and album files in the user's data folder (~/.local/share/Movra/).
include(GNUInstallDirs)

set(MOVRA_APP_ID org.example.movra)
set(MOVRA_ICON_SIZES 16 22 24 32 48 64 128 256)
set(_movra_pkg ${PROJECT_SOURCE_DIR}/packaging)

if(TARGET movra)
    install(TARGETS movra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PROJECT_SOURCE_DIR}/resources/runtime/Movra.rtf
        DESTINATION ${CMAKE_INSTALL_DATADIR}/movra)
install(FILES ${_movra_pkg}/${MOVRA_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_movra_pkg}/${MOVRA_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
# The album file type (*.db3, a kind of SQLite 3 database), so that file managers offer Movra for
# albums; the desktop entry names it. Debian's shared-mime-info trigger rebuilds its cache.
install(FILES ${_movra_pkg}/${MOVRA_APP_ID}.mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages
        RENAME ${MOVRA_APP_ID}.xml)
foreach(_size ${MOVRA_ICON_SIZES})
    install(FILES ${_movra_pkg}/icons/${_size}x${_size}/${MOVRA_APP_ID}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps)
endforeach()
install(FILES ${_movra_pkg}/icons/${MOVRA_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Debian wants the licence, a changelog and a manual page, the last two compressed; -n keeps the
# file's time out of the archive.
set(_movra_gz ${CMAKE_BINARY_DIR}/packaging)
file(MAKE_DIRECTORY ${_movra_gz})
foreach(_f changelog movra.1)
    execute_process(COMMAND gzip -9nc ${_movra_pkg}/${_f}
                    OUTPUT_FILE ${_movra_gz}/${_f}.gz
                    RESULT_VARIABLE _gzip_result)
    if(NOT _gzip_result EQUAL 0)
        message(FATAL_ERROR "gzip failed on packaging/${_f}")
    endif()
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${_movra_pkg}/changelog ${_movra_pkg}/movra.1)
set(_movra_doc ${CMAKE_INSTALL_DATADIR}/doc/movra)
install(FILES ${_movra_pkg}/copyright DESTINATION ${_movra_doc})
install(FILES ${_movra_gz}/changelog.gz DESTINATION ${_movra_doc})
install(FILES ${_movra_gz}/movra.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME movra)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Zespół Movra")
set(CPACK_PACKAGE_CONTACT "Zespół Movra <movra@movra.example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "album of people with photos and notes")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://movra.example.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zespół Movra <movra@movra.example.org>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# CPack puts the summary above this text and indents each line as Debian wants it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Movra is a desktop album of people: classmates, friends, contacts. Each
person is one record with a first name, a last name, a nickname, a note of
remarks, a note of address and contacts, and one JPEG photo, kept in an
SQLite album file (.db3). Movra lists the people in a sortable grid, shows
and edits one in a record window, finds phrases, and lays a record out on a
printable sheet with its own print preview.

The user interface is Polish.")
# The libraries come from dpkg-shlibdeps; what the program loads at run time without linking it
# is named here: Qt's Polish translation, Qt's platform plugins and the fonts of its pages.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n, qt6-qpa-plugins, fonts-liberation2")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

# Reproducible packages: every time stamp in the .deb is SOURCE_DATE_EPOCH. Unless the caller set
# one, it is the date of the newest entry of packaging/changelog (as dpkg-buildpackage does), so
# the same sources give the same package whenever and wherever cpack runs. The program itself is
# built with -ffile-prefix-map (cmake/Hardening.cmake) and stripped, so the build folder leaves
# no trace in it either.
execute_process(COMMAND dpkg-parsechangelog -l ${_movra_pkg}/changelog -STimestamp
                OUTPUT_VARIABLE MOVRA_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                RESULT_VARIABLE _sde_result ERROR_QUIET)
if(NOT _sde_result EQUAL 0 OR NOT MOVRA_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    message(FATAL_ERROR "could not read the date of packaging/changelog (dpkg-parsechangelog, "
                        "package dpkg-dev)")
endif()
configure_file(${PROJECT_SOURCE_DIR}/cmake/CPackProjectConfig.cmake.in
               ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake @ONLY)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_BINARY_DIR}/CPackProjectConfig.cmake)
include(CPack)
