# The project's version has one owner: project(ziv VERSION ...) in the top-level
# CMakeLists.txt. Programs read it from a header configured here; the man pages,
# the metainfo and the package take it from the same variable.
set(ZIV_RELEASE_DATE 2026-12-08)  # the date of the release PROJECT_VERSION names

configure_file(${CMAKE_CURRENT_LIST_DIR}/ziv_version.h.in ${CMAKE_BINARY_DIR}/generated/ziv_version.h @ONLY)
add_library(ziv_version INTERFACE)
target_include_directories(ziv_version INTERFACE ${CMAKE_BINARY_DIR}/generated)
