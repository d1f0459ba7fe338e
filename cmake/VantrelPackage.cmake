# The Debian package, built with CPack (see scripts/package.sh). Its dependencies come from
# dpkg-shlibdeps over the installed program, so they follow the libraries it links; only what
# the program loads at run time without linking it is named here.

option(VANTREL_DEBIAN_PACKAGE "Install the copyright and changelog files a Debian package carries" OFF)

set(VANTREL_PACKAGE_VERSION "${PROJECT_VERSION}")
if(VANTREL_DEBIAN_PACKAGE)
    set(doc ${CMAKE_INSTALL_DATADIR}/doc/vantrel)
    install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright DESTINATION ${doc})
    configure_file(${PROJECT_SOURCE_DIR}/packaging/changelog.in
        ${PROJECT_BINARY_DIR}/packaging/changelog @ONLY)
    add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/packaging/changelog.gz
        COMMAND gzip -9 -n -f -k ${PROJECT_BINARY_DIR}/packaging/changelog
        DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog
        VERBATIM)
    add_custom_target(vantrel_changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/packaging/changelog.gz)
    install(FILES ${PROJECT_BINARY_DIR}/packaging/changelog.gz DESTINATION ${doc})
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION "${VANTREL_PACKAGE_VERSION}")
set(CPACK_PACKAGE_VENDOR "The Vantrel developers")
set(CPACK_PACKAGE_CONTACT "The Vantrel developers <dev@vantrel.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "serverless messenger for the computers of a local network")
set(CPACK_PACKAGE_DESCRIPTION "Vantrel sends text messages, beeps, files and pictures to the computers
of one local network, chosen by name or IP address, without a server or
an account. It lives in the tray, keeps a history log per contact and an
event log, and talks the plaintext TCP protocol of port 2012 that its
peers on other systems speak as well.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${VANTREL_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Loaded at run time, never linked: the SVG icons need the plugins of libqt6svg6; the X11
# platform plugin comes with libqt6gui6 (found by dpkg-shlibdeps), Wayland's with qt6-wayland;
# sounds are played by one of these programs.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6svg6")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, pipewire-bin | pulseaudio-utils | alsa-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "avahi-daemon")
include(CPack)
