# The Debian package (scripts/package.sh runs CPack on a Release tree).  The
# version is the project's; the dependencies are what dpkg-shlibdeps finds the
# programs linked against, plus the windowing plugins Qt only recommends.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zorvik)
set(CPACK_PACKAGE_VENDOR "Zorvik configurator developers")
set(CPACK_PACKAGE_CONTACT "${ZORVIK_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "configurator for Zorvik capacitive fuel-level sensors")
# Lines of at most 80 characters, as Debian asks.
set(CPACK_PACKAGE_DESCRIPTION "A desktop program for service engineers who install and maintain Zorvik
capacitive fuel-level sensors on an RS-485 line. It finds the sensors on
the line, shows the live readings of the one picked, calibrates it, sets
its operating mode, password, network address and alarm level, moves its
20-point calibration table between sensor, window and files, calibrates
a tank by refuelling it in portions, builds relay command strings for a
telematics server, and uploads new firmware through the sensor's ROM
bootloader.

Also included: zorvik-cli, the same operations from the command line for
scripts and remote shells, and zorvik-sim, a simulated sensor line on a
pseudo-terminal for trying either without hardware. Opening a serial
port needs membership of its group (dialout).")
# The installed programs look for their own folder under this prefix.
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
