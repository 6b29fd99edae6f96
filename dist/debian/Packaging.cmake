# The Debian package, made by CPack (scripts/package.sh drives it). Depends come from the
# libraries the programs link (dpkg-shlibdeps); the encoder and the media back end are
# recommended, since the programs run without them and say what is missing.
set(SONQUILL_PACKAGE_MAINTAINER "Sonquill Maintainers <maintainers@sonquill.org>"
    CACHE STRING "Maintainer field of the Debian package")

if(SONQUILL_DEBIAN_LAYOUT)
    sonquill_debian_gzip(${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/changelog changelog.Debian
                         changelog_gz)
    add_custom_target(sonquill_debian_changelog ALL DEPENDS ${changelog_gz})
    install(FILES ${changelog_gz} ${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/copyright
            DESTINATION ${SONQUILL_INSTALL_DOCDIR})
    # Registers the help page with the system's documentation index.
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/sonquill.doc-base
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base RENAME sonquill)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonquill)
set(CPACK_PACKAGE_VENDOR "The Sonquill authors")
set(CPACK_PACKAGE_CONTACT "${SONQUILL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SONQUILL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The window takes its icon from the SVG, which Qt draws only with the plugins in libqt6svg6.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "vorbis-tools, gstreamer1.0-plugins-good, gstreamer1.0-plugins-base")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The synopsis is the project's description; this is the long text below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Sonquill keeps the catalogue of sound effects for a game made with the
Orvane adventure-game engine, which plays sounds by number from files named
SOUND<n>.<ext> in the compiled game folder. Each sound has a number from 1
to 999, a lock that pins the number, a category and a name.

On Distribute every sound is copied into the game folder under its number,
large WAV files encoded to Ogg Vorbis with oggenc, and the names list and
script code for the game are written. The package holds the window program
sonquill and the command-line tool sonquill-cli for build scripts.")

include(CPack)
