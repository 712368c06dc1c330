# Installation where desktops find the program, and its Debian package (cpack -G DEB).

install(FILES ${PROJECT_SOURCE_DIR}/resources/talvoro.desktop DESTINATION share/applications)
foreach(size 32 48 128)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/talvoro-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME talvoro.png)
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION share/doc/talvoro)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvoro)
set(CPACK_PACKAGE_VENDOR "Talvoro")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "reads text dropped on a small basket window aloud")
set(CPACK_PACKAGE_DESCRIPTION
    "Talvoro is a 40 x 40 pixel basket that floats above all windows. Text dragged onto it, pasted\n or opened from a file is read aloud at once with espeak-ng. Its menus are in Simplified Chinese.")
set(CPACK_PACKAGE_CONTACT "Talvoro developers <developers@talvoro.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not say: the engine's voices and a font for the Chinese menus.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
include(CPack)
