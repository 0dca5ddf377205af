# The program laid out as a system package lays it out (cmake --install), and
# the Debian package of it (cpack -G DEB; scripts/package.sh).
include(GNUInstallDirs)
# Installing takes what is built; it does not build every test program first.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY TRUE)
set(DV_DOCDIR ${CMAKE_INSTALL_DATAROOTDIR}/doc/dialvane)

if(TARGET dialvane AND TARGET dialvane-ctl)
  install(TARGETS dialvane dialvane-ctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES packaging/dialvane.service DESTINATION lib/systemd/system)
install(FILES packaging/60-dialvane.rules DESTINATION lib/udev/rules.d)
install(FILES packaging/bindings.example DESTINATION ${DV_DOCDIR}/examples
  RENAME bindings)
install(FILES README.md docs/device-root.md docs/hardware.md DESTINATION ${DV_DOCDIR})
install(FILES packaging/copyright DESTINATION ${DV_DOCDIR})
# Debian keeps a package's changelog compressed, byte for byte reproducible.
set(DV_CHANGELOG ${CMAKE_BINARY_DIR}/changelog.Debian.gz)
execute_process(COMMAND gzip -9 -n -c ${CMAKE_SOURCE_DIR}/packaging/changelog
  OUTPUT_FILE ${DV_CHANGELOG})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS packaging/changelog)
install(FILES ${DV_CHANGELOG} DESTINATION ${DV_DOCDIR})

set(CPACK_PACKAGE_NAME dialvane)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_CONTACT "Dialvane developers <dialvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "touch settings panel of an in-car head unit")
set(CPACK_PACKAGE_DESCRIPTION "The full-screen settings panel of a navigation and multimedia unit:
volumes, the application started at power-up, automatic power-on,
brightness, contrast, rear camera and touch calibration. It runs as a
systemd service on the unit's display, driven by its touch screen.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The architecture is the target's, also when cross-built (DV_DEB_ARCH).
if(DEFINED DV_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${DV_DEB_ARCH})
endif()
# Listed by hand: dpkg-shlibdeps does not read a cross build's libraries.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
  "libc6 (>= 2.34), libsdl2-2.0-0 (>= 2.0.12), libfreetype6 (>= 2.8), libfontconfig1 (>= 2.12), libpng16-16 (>= 1.6.2), libpulse0 (>= 0.99.1), libevdev2 (>= 1.9), fonts-wine, fonts-nanum, passwd")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${CMAKE_SOURCE_DIR}/packaging/postinst ${CMAKE_SOURCE_DIR}/packaging/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
