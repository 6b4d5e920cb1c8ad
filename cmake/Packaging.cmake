# Install layout and the Debian package (cpack -G DEB).
#   <prefix>/bin/dapcontrol, <prefix>/bin/dapsim, <prefix>/bin/dapctl, <prefix>/bin/dapbridge
#   <prefix>/lib/systemd/system/dapbridge.service, <prefix>/share/dapcontrol/dapbridge.sample.json
#   <prefix>/share/dapcontrol/translations (language.dat, .qm), <prefix>/share/dapcontrol/image
#   <prefix>/share/applications/dapcontrol.desktop, the icon in the hicolor theme
#   <prefix>/lib/<arch>/wireshark/plugins/dapnet.lua (installed by tools/wireshark)
include(GNUInstallDirs)

set(DAP_SHARE_DIR ${CMAKE_INSTALL_DATADIR}/dapcontrol)
install(TARGETS dapcontrol dapsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET dapctl)
  install(TARGETS dapctl RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
# The bridge, its systemd unit (installed, not enabled) and a sample configuration.
if(TARGET dapbridge)
  install(TARGETS dapbridge RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/dapbridge.service
          DESTINATION lib/systemd/system)
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/dapbridge.sample.json DESTINATION ${DAP_SHARE_DIR})
endif()
install(DIRECTORY ${DAP_RUN_DIR}/translations/ DESTINATION ${DAP_SHARE_DIR}/translations
        FILES_MATCHING PATTERN "*.qm" PATTERN "language.dat")
install(FILES ${CMAKE_SOURCE_DIR}/src/resources/logo.bmp DESTINATION ${DAP_SHARE_DIR}/image)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/dapcontrol.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/packaging/dapcontrol.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

set(CPACK_PACKAGE_NAME dapcontrol)
set(CPACK_PACKAGE_VENDOR "dapcontrol developers")
set(CPACK_PACKAGE_CONTACT "dapcontrol developers <dapcontrol@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Control program for networked digital audio processors, with a simulator")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
# Shared libraries are found by dpkg-shlibdeps; the SQLite driver and the platform plugins are
# loaded at run time, so they are named here.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, qt6-qpa-plugins, fonts-noto-cjk")
# The dissector in <libdir>/wireshark/plugins (tools/wireshark) is read by either.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "wireshark | tshark")
include(CPack)

if(DAP_BUILD_TESTS)
  add_test(NAME package_install
           COMMAND ${CMAKE_SOURCE_DIR}/scripts/check-package.sh ${CMAKE_BINARY_DIR})
  set_tests_properties(package_install PROPERTIES TIMEOUT 300 LABELS package)
endif()
