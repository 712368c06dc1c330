# The user manual: one MHTML archive (a GB2312 page and its JPEG pictures, every line ending in
# CR LF) built from resources/manual by tools/build-manual.py. Both editions carry it.
find_package(Python3 REQUIRED COMPONENTS Interpreter)

set(TALVORO_MANUAL_SOURCES
  ${PROJECT_SOURCE_DIR}/resources/manual/manual.html
  ${PROJECT_SOURCE_DIR}/resources/manual/title.jpg
  ${PROJECT_SOURCE_DIR}/resources/manual/basket.jpg
  ${PROJECT_SOURCE_DIR}/resources/manual/menu.jpg
  ${PROJECT_SOURCE_DIR}/resources/manual/check.jpg
  ${PROJECT_SOURCE_DIR}/resources/manual/voices.jpg
  ${PROJECT_SOURCE_DIR}/resources/manual/rate.jpg
  ${PROJECT_SOURCE_DIR}/resources/manual/volume.jpg
)

# Adds the rule that builds the archive into the calling folder's build folder and sets
# `out_var` to its path.
function(talvoro_manual out_var)
  set(mht ${CMAKE_CURRENT_BINARY_DIR}/talvoro-manual.mht)
  add_custom_command(
    OUTPUT ${mht}
    COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/tools/build-manual.py
            ${PROJECT_SOURCE_DIR}/resources/manual ${mht}
    DEPENDS ${PROJECT_SOURCE_DIR}/tools/build-manual.py ${TALVORO_MANUAL_SOURCES}
    COMMENT "Building the user manual"
    VERBATIM)
  set(${out_var} ${mht} PARENT_SCOPE)
endfunction()
