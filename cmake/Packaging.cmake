# The Debian package (scripts/package builds it): what `cmake --install`
# installs, with the dependencies dpkg-shlibdeps finds in the program file
# (the browser engine's library brings its helper program) and the ones it
# cannot see (the desktop's tools that open files and hand mail over).
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME skribando)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Skribando-Entwicklergruppe")
set(CPACK_PACKAGE_CONTACT "Skribando-Entwicklergruppe <skribando@skribando.org>" CACHE STRING
    "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Buchbesprechungen erfassen, versenden und verwalten")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Buchbesprechungen erfassen, versenden und verwalten
 Skribando ist ein Programm für die Mitglieder eines Besprechungskreises von
 Kinder-, Jugend- und Erwachsenenbüchern: Besprechungen erfassen, in einem
 Verzeichnisbaum aufbewahren, per Mail an die koordinierenden Personen senden,
 HTML-Seiten und Dokumente für die Verlage schreiben.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${SKRIBANDO_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Plugins the program loads at run time, which the library scan cannot see:
# the SVG icon engine for the bundled icons.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "xdg-utils, libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "qt6-translations-l10n, qt6-image-formats-plugins, fonts-dejavu-core")
set(CPACK_STRIP_FILES ON)
include(CPack)
