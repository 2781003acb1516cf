# The version of fardelix, set here only: the About box, the version resources
# of fardelix.exe and fdarc.dll and the release zips' names take it from the
# header generated below (FARDELIX_VERSION_INCLUDE_DIR/fardelix_version.h).
set(FARDELIX_VERSION_MAJOR 2)
set(FARDELIX_VERSION_MINOR 30)
set(FARDELIX_VERSION "${FARDELIX_VERSION_MAJOR}.${FARDELIX_VERSION_MINOR}")

set(FARDELIX_VERSION_INCLUDE_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_CURRENT_LIST_DIR}/fardelix_version.h.in
    ${FARDELIX_VERSION_INCLUDE_DIR}/fardelix_version.h @ONLY)
