# Packages made with CPack from an installed build:
#   Linux:  cpack -G DEB   → kalvane_<version>_<arch>.deb, installing under /usr
#   macOS:  cpack -G DragNDrop → a disk image with the bundle and an Applications link
# Run cpack in the build directory of the release configuration.

set(CPACK_PACKAGE_NAME "kalvane")
set(CPACK_PACKAGE_VENDOR "Tessaly")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Shows the talk time above a running slide show")
set(CPACK_PACKAGE_DESCRIPTION
    "A small tray application that floats a timer card above a running slide show: a \
talk-time stopwatch that starts with the first slide change, or the remaining time, colours, \
progress bar and messages of an Ontime server or a Stagetimer room, read over HTTP and found \
on the local network by itself. It only reads the slide show and the timers; it never \
controls them.")
set(KALVANE_PACKAGE_MAINTAINER "Tessaly Kalvane maintainers <kalvane@tessaly.org>"
    CACHE STRING "Maintainer named in the packages")
set(CPACK_PACKAGE_CONTACT ${KALVANE_PACKAGE_MAINTAINER})

if(APPLE)
    set(CPACK_GENERATOR "DragNDrop")
    set(CPACK_PACKAGE_FILE_NAME "TessalyKalvane-${PROJECT_VERSION}")
    set(CPACK_DMG_VOLUME_NAME "Tessaly Kalvane")
    set(CPACK_DMG_FORMAT "UDZO")
    # The generator installs into its staging folder with no packaging prefix, and the
    # bundle's destination is the top of the install prefix, so the bundle sits at the root
    # of the image beside the Applications link that the generator adds.
    # The generator makes the package icon the volume icon of the image.
    get_property(icns GLOBAL PROPERTY KALVANE_MAC_ICNS)
    if(icns)
        set(CPACK_PACKAGE_ICON ${icns})
    endif()
else()
    set(CPACK_GENERATOR "DEB")
    set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
    set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${KALVANE_PACKAGE_MAINTAINER})
    set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
    set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
    # dpkg-shlibdeps turns the program's shared libraries (Qt, libstdc++, libc) into the
    # package's Depends line, so it matches the distribution the package was built on.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Only here: stripping a signed macOS bundle would break its signature.
    set(CPACK_STRIP_FILES ON)
endif()

include(CPack)
