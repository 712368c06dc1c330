# Installation where desktops, software centres and man find the program, and its Debian package
# (cpack -G DEB): talvoro_<version>_<arch>.deb and talvoro-dbgsym_<version>_<arch>.ddeb.

set(TALVORO_APP_ID io.github.talvoro.Talvoro)
set(TALVORO_PACKAGING_DIR ${PROJECT_SOURCE_DIR}/resources/debian)
set(TALVORO_CHANGELOG ${TALVORO_PACKAGING_DIR}/changelog)
set(TALVORO_PACKAGE_FILES ${PROJECT_BINARY_DIR}/package)

# --- the release history ---
# The changelog is the one record of releases: its newest entry must be the version this tree
# builds, and the AppStream releases are read from it.
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${TALVORO_CHANGELOG})
file(STRINGS ${TALVORO_CHANGELOG} changelog_lines ENCODING UTF-8)
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
set(releases_xml "")
set(newest_version "")
set(entry_version "")
foreach(line IN LISTS changelog_lines)
  if(line MATCHES "^talvoro \\(([^)]+)\\) ")
    set(entry_version ${CMAKE_MATCH_1})
    if(newest_version STREQUAL "")
      set(newest_version ${entry_version})
    endif()
  elseif(line MATCHES "^ -- .+ <.+>  [A-Z][a-z][a-z], ([0-9]?[0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    if(entry_version STREQUAL "")
      message(FATAL_ERROR "${TALVORO_CHANGELOG}: a trailer line without its entry: ${line}")
    endif()
    set(day ${CMAKE_MATCH_1})
    list(FIND months ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 1")
    if(month EQUAL 0)
      message(FATAL_ERROR "${TALVORO_CHANGELOG}: no month in ${line}")
    endif()
    string(LENGTH "${day}" day_digits)
    if(day_digits EQUAL 1)
      set(day 0${day})
    endif()
    if(month LESS 10)
      set(month 0${month})
    endif()
    string(APPEND releases_xml
           "    <release version=\"${entry_version}\" date=\"${CMAKE_MATCH_3}-${month}-${day}\"/>\n")
    set(entry_version "")
  endif()
endforeach()
if(NOT newest_version STREQUAL PROJECT_VERSION)
  message(FATAL_ERROR "The newest entry of ${TALVORO_CHANGELOG} is version '${newest_version}', "
          "but this tree builds ${PROJECT_VERSION}: add an entry for ${PROJECT_VERSION} "
          "(see Versions in README.md).")
endif()
string(REGEX REPLACE "\n$" "" TALVORO_APPSTREAM_RELEASES "${releases_xml}")

# --- files made at build time: manual pages, the compressed changelog, the metainfo ---
find_program(SCDOC_EXECUTABLE scdoc REQUIRED)
find_program(GZIP_EXECUTABLE gzip REQUIRED)
set(man_pages talvoro.1 talvoro-say.1)
set(package_outputs "")
foreach(page IN LISTS man_pages)
  set(source ${PROJECT_SOURCE_DIR}/doc/man/${page}.scd)
  set(out ${TALVORO_PACKAGE_FILES}/${page})
  add_custom_command(
    OUTPUT ${out}.gz
    COMMAND sh -c "\"$1\" < \"$2\" > \"$3\"" sh ${SCDOC_EXECUTABLE} ${source} ${out}
    COMMAND ${GZIP_EXECUTABLE} -9nf ${out}
    DEPENDS ${source}
    COMMENT "Manual page ${page}"
    VERBATIM)
  list(APPEND package_outputs ${out}.gz)
endforeach()
add_custom_command(
  OUTPUT ${TALVORO_PACKAGE_FILES}/changelog.gz
  COMMAND ${CMAKE_COMMAND} -E copy ${TALVORO_CHANGELOG} ${TALVORO_PACKAGE_FILES}/changelog
  # -n: no name or time stamp inside, so that equal files make equal packages.
  COMMAND ${GZIP_EXECUTABLE} -9nf ${TALVORO_PACKAGE_FILES}/changelog
  DEPENDS ${TALVORO_CHANGELOG}
  VERBATIM)
list(APPEND package_outputs ${TALVORO_PACKAGE_FILES}/changelog.gz)
add_custom_target(talvoro_package_files ALL DEPENDS ${package_outputs})

configure_file(${PROJECT_SOURCE_DIR}/resources/${TALVORO_APP_ID}.metainfo.xml.in
               ${TALVORO_PACKAGE_FILES}/${TALVORO_APP_ID}.metainfo.xml @ONLY)

# --- installation ---
install(FILES ${PROJECT_SOURCE_DIR}/resources/${TALVORO_APP_ID}.desktop
        DESTINATION share/applications)
install(FILES ${TALVORO_PACKAGE_FILES}/${TALVORO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
foreach(size 32 48 128)
  install(FILES ${PROJECT_SOURCE_DIR}/resources/talvoro-${size}.png
          DESTINATION share/icons/hicolor/${size}x${size}/apps RENAME talvoro.png)
endforeach()
install(FILES ${TALVORO_PACKAGE_FILES}/talvoro.1.gz DESTINATION share/man/man1)
# The command-line reader's page goes with the command; the target is looked for once every
# folder has been read, so the order of add_subdirectory does not matter.
install(FILES $<$<TARGET_EXISTS:talvoro-say>:${TALVORO_PACKAGE_FILES}/talvoro-say.1.gz>
        DESTINATION share/man/man1)
install(FILES ${TALVORO_PACKAGE_FILES}/changelog.gz ${TALVORO_PACKAGING_DIR}/copyright
              ${PROJECT_SOURCE_DIR}/README.md
        DESTINATION share/doc/talvoro)

# --- the Debian package ---
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME talvoro)
set(CPACK_PACKAGE_VENDOR "Talvoro")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL "https://talvoro.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "text-to-speech reader in a small basket that floats above all windows")
set(CPACK_PACKAGE_DESCRIPTION_FILE ${TALVORO_PACKAGING_DIR}/description)
set(CPACK_PACKAGE_CONTACT "Talvoro developers <developers@talvoro.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# What the libraries do not say: the engine's voices and a font for the Chinese menus.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "espeak-ng-data, fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
# Stripped binaries; their debug symbols go to talvoro-dbgsym, found by build id under
# /usr/lib/debug/.build-id/ as Debian's own -dbgsym packages are.
set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# What CPack gets wrong for these packages is mended once they are made: see FinishDebs.cmake.
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/FinishDebs.cmake)
include(CPack)
