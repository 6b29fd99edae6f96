# The Debian packages, made by CPack (scripts/package.sh drives it): sonquill-cli, the command-line
# tool with its manual page, bash completion and the help page, and sonquill, the window on top of
# it. Depends come from the libraries each program links (dpkg-shlibdeps); the encoder, the
# desktop's openers and the media back end are recommended, since the programs run without them
# and say what is missing.
set(SONQUILL_PACKAGE_MAINTAINER "Sonquill Maintainers <maintainers@sonquill.org>"
    CACHE STRING "Maintainer field of the Debian packages")

if(SONQUILL_DEBIAN_LAYOUT)
    sonquill_debian_gzip(${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/changelog changelog.Debian
                         changelog_gz)
    add_custom_target(sonquill_debian_changelog ALL DEPENDS ${changelog_gz})
    # Every package has its own documentation folder with the changelog and the copyright.
    install(FILES ${changelog_gz} ${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/copyright
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/sonquill-cli COMPONENT cli)
    install(FILES ${changelog_gz} ${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/copyright
            DESTINATION ${SONQUILL_INSTALL_DOCDIR} COMPONENT window)
    # Registers the help page with the system's documentation index, in the package that has it.
    install(FILES ${CMAKE_CURRENT_SOURCE_DIR}/dist/debian/sonquill.doc-base
            DESTINATION ${CMAKE_INSTALL_DATADIR}/doc-base RENAME sonquill COMPONENT cli)
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sonquill)
set(CPACK_PACKAGE_VENDOR "The Sonquill authors")
set(CPACK_PACKAGE_CONTACT "${SONQUILL_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL cli window)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME sonquill-cli)
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME sonquill)
# The window's package depends on the tool's of the same version.
set(CPACK_COMPONENT_WINDOW_DEPENDS cli)
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${SONQUILL_PACKAGE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The sound libraries are opened when first needed, so the shared-library scan cannot see them.
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS "libsndfile1, libebur128-1, libsoxr0")
set(CPACK_DEBIAN_CLI_PACKAGE_RECOMMENDS "vorbis-tools")
# The window takes its icon from the SVG, which Qt draws only with the plugins in libqt6svg6.
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "libqt6svg6")
# xdg-utils opens the help page, the lists and the sound files with the desktop's programs.
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS
    "xdg-utils, vorbis-tools, gstreamer1.0-plugins-good, gstreamer1.0-plugins-base")

# Each package's description starts with its own synopsis, so the project-wide one stays out.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "")
set(sonquill_description_start
    "Sonquill keeps the catalogue of sound effects for a game made with the
Orvane adventure-game engine, which plays sounds by number from files named
SOUND<n>.<ext> in the compiled game folder. Each sound has a number from 1
to 999, a lock that pins the number, a category and a name.

On Distribute every sound is copied into the game folder under its number,
large WAV files encoded to Ogg Vorbis with oggenc, and the names list and
script code for the game are written.")
set(CPACK_DEBIAN_CLI_DESCRIPTION
    "Sound catalogue and distribution tool for Orvane games (command line)
${sonquill_description_start}

This package holds the command-line tool sonquill-cli for build scripts,
with its manual page, bash completion and the help page.")
set(CPACK_DEBIAN_WINDOW_DESCRIPTION
    "Sound catalogue and distribution tool for Orvane games
${sonquill_description_start}

This package holds the window program sonquill, with its desktop entry.")

include(CPack)
