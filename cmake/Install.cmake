# Installing Pigmora on a Linux desktop, and the Debian package.
#
# The program finds its pictures from its own location: <exe dir>/../share/pigmora/. The build
# tree is laid out the same way (<build>/bin/pigmora, <build>/share/pigmora/), so a freshly built
# program shows the About box's picture without being installed.
#
#   cmake --install <build> [--prefix /usr]   installs:
#     bin/pigmora
#     share/applications/<PIGMORA_APP_IDENTIFIER>.desktop   (the launcher)
#     share/icons/hicolor/scalable/apps/pigmora.svg          (and 128 and 256 pixel renderings)
#     share/icons/hicolor/scalable/apps/pigmora-<symbol>-symbolic.svg   (the six tray symbols)
#     share/pigmora/fancy_icon.png, fancy_iconx2.png          (the About box's picture)
#   cpack -G DEB  (in <build>)  makes pigmora_<version>-1_<arch>.deb installing into /usr.
include(GNUInstallDirs)

set(PIGMORA_RESOURCE_SOURCE_DIR ${PROJECT_SOURCE_DIR}/resources)
set(PIGMORA_ABOUT_PICTURES ${PIGMORA_RESOURCE_SOURCE_DIR}/fancy_icon.png
                           ${PIGMORA_RESOURCE_SOURCE_DIR}/fancy_iconx2.png)

# The build tree's copy of the pictures. configure_file re-runs whenever a picture changes.
foreach(picture ${PIGMORA_ABOUT_PICTURES})
  get_filename_component(name ${picture} NAME)
  configure_file(${picture} ${PROJECT_BINARY_DIR}/share/pigmora/${name} COPYONLY)
endforeach()

# The tray symbols as themed symbolic icons, which panels draw in their own text colour. The
# program names them to the tray and points it at <exe dir>/../share/icons, so the build tree
# carries them too.
set(PIGMORA_SYMBOLIC_ICONS)
foreach(symbol paintpalette paintpalette.fill paintbrush drop eyedropper drop.fill)
  string(REPLACE "." "-" name "pigmora-${symbol}-symbolic")
  string(APPEND name ".svg")
  set(copy ${PROJECT_BINARY_DIR}/share/icons/hicolor/scalable/apps/${name})
  configure_file(${PROJECT_SOURCE_DIR}/src/platform/qt/icons/${symbol}.svg ${copy} COPYONLY)
  list(APPEND PIGMORA_SYMBOLIC_ICONS ${copy})
endforeach()
install(FILES ${PIGMORA_SYMBOLIC_ICONS} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

if(TARGET pigmora)
  install(TARGETS pigmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${PIGMORA_ABOUT_PICTURES} DESTINATION ${CMAKE_INSTALL_DATADIR}/pigmora)
# Named after the application's identifier: the program declares that name as its desktop file,
# and desktops match its windows and tray entry to the launcher by it.
install(FILES ${PIGMORA_RESOURCE_SOURCE_DIR}/pigmora.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
        RENAME ${PIGMORA_APP_IDENTIFIER}.desktop)
install(FILES ${PIGMORA_RESOURCE_SOURCE_DIR}/pigmora.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
# Renderings for the desktops and menus that draw no SVG icons.
install(FILES ${PIGMORA_RESOURCE_SOURCE_DIR}/fancy_icon.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/128x128/apps RENAME pigmora.png)
install(FILES ${PIGMORA_RESOURCE_SOURCE_DIR}/fancy_iconx2.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps RENAME pigmora.png)

# The Debian package.
set(CPACK_PACKAGE_NAME pigmora)
set(CPACK_PACKAGE_VENDOR "Pigmora")
set(CPACK_PACKAGE_CONTACT "Pigmora maintainers <maintainers@pigmora.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Colour picker for programmers that lives in the system tray")
set(CPACK_PACKAGE_DESCRIPTION
    "Press a global hot key, pick a colour, and the colour is on the clipboard as text ready to
paste into code: RGB values, web-safe or hexadecimal RGB, or a Swift, Objective-C or Xamarin
(C#) colour expression. Two more hot keys cycle the notation and copy the same colour again.")
set(CPACK_GENERATOR DEB)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# The libraries the program links come from dpkg-shlibdeps (Debian's dpkg-dev). Qt loads its X11
# platform plugin and the SVG icon engine (the application's icon) at run time, which no link
# names, so they are listed by hand; xdg-open opens the About box's web page. The icon engine is
# in libqt6svg6 on Debian 12 and in qt6-svg-plugins from Debian 13 on: the package that ships it
# here is the one named.
execute_process(COMMAND dpkg-query -S "*/qt6/plugins/iconengines/libqsvgicon.so"
                OUTPUT_VARIABLE PIGMORA_SVG_ICON_OWNER ERROR_QUIET)
string(REGEX MATCH "^[^:,]+" PIGMORA_SVG_ICON_PACKAGE "${PIGMORA_SVG_ICON_OWNER}")
if(NOT PIGMORA_SVG_ICON_PACKAGE)
  set(PIGMORA_SVG_ICON_PACKAGE libqt6svg6)
endif()
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, ${PIGMORA_SVG_ICON_PACKAGE}")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "desktop-file-utils")
include(CPack)

# The package's tests: its control fields and files, then (as root, with mmdebstrap) a clean
# install on a fresh Debian of this release made from the archive and a run of the installed program on a
# throw-away X desktop.
if(PIGMORA_BUILD_TESTS AND TARGET pigmora)
  add_test(NAME deb_package
           COMMAND ${PROJECT_SOURCE_DIR}/tests/package/deb_package_test.sh ${PROJECT_BINARY_DIR}
                   ${PIGMORA_APP_IDENTIFIER})
  set_tests_properties(deb_package PROPERTIES
    TIMEOUT 900
    LABELS package
    FIXTURES_SETUP pigmora_deb)
  find_program(PIGMORA_XVFB Xvfb)
  if(PIGMORA_XVFB)
    add_test(NAME deb_clean_install
             COMMAND ${PROJECT_SOURCE_DIR}/tests/gui/desktop_session.sh
                     ${PROJECT_SOURCE_DIR}/tests/package/clean_install_test.sh ${PROJECT_BINARY_DIR})
    set_tests_properties(deb_clean_install PROPERTIES
      TIMEOUT 900
      LABELS "package;gui"
      SKIP_RETURN_CODE 77
      FIXTURES_REQUIRED pigmora_deb
      RESOURCE_LOCK pigmora_desktop
      ENVIRONMENT "PIGMORA_SESSION_TIMEOUT=840;PIGMORA_APP_IDENTIFIER=${PIGMORA_APP_IDENTIFIER}")
  endif()
endif()
