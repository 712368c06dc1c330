# Run by cpack once it has made the packages (CPACK_POST_BUILD_SCRIPTS; CPACK_PACKAGE_FILES
# lists them). It mends, in the unpacked package, what CPack 3.25 gets wrong for us, and packs it
# again with dpkg-deb:
# - talvoro: CPack gives a package a postinst and a postrm that run ldconfig whenever it holds a
#   shared object below /usr/lib/*/. Ours are the program's private modules in /usr/lib/talvoro,
#   loaded by their path, which the dynamic linker's cache never holds. Scripts that do nothing
#   else are taken out; a maintainer script that does anything more is kept.
# - talvoro-dbgsym: CPack writes absolute build paths into its md5sums and leaves the .debug
#   files executable. The sums are made again, the files made plain 0644, and the package's doc
#   folder points at talvoro's (copyright, changelog), as debhelper's -dbgsym packages do.

find_program(DPKG_DEB dpkg-deb REQUIRED)

# True when `script` is no more than CPack's own: the shell line, `set -e` and ldconfig called
# for one maintainer action.
function(only_calls_ldconfig script out)
  file(READ ${script} text)
  string(REGEX REPLACE "[ \t\r\n]+" " " text "${text}")
  if(text MATCHES "^#!/bin/sh set -e if \\[ \"\\$1\" = \"[a-z-]+\" \\]; then ldconfig fi ?$")
    set(${out} TRUE PARENT_SCOPE)
  else()
    set(${out} FALSE PARENT_SCOPE)
  endif()
endfunction()

function(drop_ldconfig_scripts tree changed)
  foreach(name postinst postrm)
    set(script ${tree}/DEBIAN/${name})
    if(EXISTS ${script})
      only_calls_ldconfig(${script} ldconfig_only)
      if(ldconfig_only)
        file(REMOVE ${script})
        message(STATUS "took out the ${name} that only ran ldconfig")
        set(${changed} TRUE PARENT_SCOPE)
      endif()
    endif()
  endforeach()
endfunction()

function(mend_debug_symbols tree main_package)
  file(GLOB_RECURSE debug_files RELATIVE ${tree} ${tree}/usr/lib/debug/*.debug)
  foreach(f IN LISTS debug_files)
    file(CHMOD ${tree}/${f} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  endforeach()
  file(MAKE_DIRECTORY ${tree}/usr/share/doc)
  file(CREATE_LINK ${main_package} ${tree}/usr/share/doc/${main_package}-dbgsym SYMBOLIC)
  file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${tree} ${tree}/usr/*)
  list(SORT files)
  set(sums "")
  foreach(f IN LISTS files)
    if(NOT IS_SYMLINK ${tree}/${f})
      file(MD5 ${tree}/${f} sum)
      string(APPEND sums "${sum}  ${f}\n")
    endif()
  endforeach()
  file(WRITE ${tree}/DEBIAN/md5sums "${sums}")
endfunction()

foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.d?deb$")
    continue()
  endif()
  set(tree ${package}.tree)
  file(REMOVE_RECURSE ${tree})
  execute_process(COMMAND ${DPKG_DEB} --raw-extract ${package} ${tree} COMMAND_ERROR_IS_FATAL ANY)
  set(changed FALSE)
  if(package MATCHES "\\.ddeb$")
    string(TOLOWER ${CPACK_PACKAGE_NAME} main_package)
    mend_debug_symbols(${tree} ${main_package})
    set(changed TRUE)
  else()
    drop_ldconfig_scripts(${tree} changed)
  endif()
  if(changed)
    execute_process(
      COMMAND ${DPKG_DEB} --root-owner-group -Z${CPACK_DEBIAN_COMPRESSION_TYPE} --build
              ${tree} ${package}
      OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(REMOVE_RECURSE ${tree})
endforeach()
