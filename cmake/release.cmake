# The release zip made by CPack (ZIP generator), for example
# fardelix-2.30-win32.zip:
#   fardelix.exe               optimised, stripped
#   README.txt                 for users, in Japanese
#   archivers/fdarc.dll        the bundled library, in a folder of its own so
#   archivers/README.txt       that it never shadows the user's libraries
#   licenses/*.txt             every library linked into either file
# Texts are written as UTF-8 with a byte-order mark and CRLF line ends:
# Notepad of every Windows version reads that correctly, whatever the
# system code page, where code page 932 text needs a Japanese system.
if(NOT TARGET fardelix OR NOT TARGET fdarc)
    return()
endif()

if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(RELEASE_WIDTH win32)
    set(RELEASE_WIDTH_TEXT "32ビット版")
    set(RELEASE_LIBRARY_WIDTH_TEXT "32ビット版の fardelix は 32ビットのライブラリを使います。")
    set(SYSTEM_FOLDER_TEXT "64ビット Windows では C:\\Windows\\SysWOW64、32ビット Windows では C:\\Windows\\System32")
else()
    set(RELEASE_WIDTH win64)
    set(RELEASE_WIDTH_TEXT "64ビット版")
    set(RELEASE_LIBRARY_WIDTH_TEXT
        "64ビット版の fardelix は 64ビットのライブラリしか読み込めません。\n32ビットのライブラリを使うには 32ビット版の fardelix を使ってください。")
    set(SYSTEM_FOLDER_TEXT "C:\\Windows\\System32")
endif()
set(RELEASE_TEXT_DIR ${CMAKE_BINARY_DIR}/release)
set(RELEASE_MINGW_ARCH ${CMAKE_SYSTEM_PROCESSOR})
string(REPLACE "_" "-" RELEASE_MINGW_ARCH "${RELEASE_MINGW_ARCH}")

# Writes TEXT to RELEASE_TEXT_DIR/NAME with a byte-order mark and CRLF.
function(fardelix_write_release_text name text)
    string(ASCII 239 187 191 bom)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    file(WRITE ${RELEASE_TEXT_DIR}/${name}.new "${bom}${text}")
    file(COPY_FILE ${RELEASE_TEXT_DIR}/${name}.new ${RELEASE_TEXT_DIR}/${name} ONLY_IF_DIFFERENT)
    file(REMOVE ${RELEASE_TEXT_DIR}/${name}.new)
endfunction()

# The library names the bundled library serves: each prefix it exports (an
# entry PREFIX with PREFIXGetRunning beside it in fdarc.def), named by the
# library file the format table loads for that prefix.
function(fardelix_served_library_names out)
    file(STRINGS ${PROJECT_SOURCE_DIR}/archivelib/fdarc.def def_lines)
    set(prefixes)
    foreach(line IN LISTS def_lines)
        if(line MATCHES "^[ \t]*([A-Za-z0-9_]+)GetRunning([ \t;=@]|$)")
            list(APPEND prefixes ${CMAKE_MATCH_1})
        endif()
    endforeach()
    file(READ ${PROJECT_SOURCE_DIR}/archivers/formats.cpp table)
    string(REGEX MATCHALL "\"[^\"]+\\.[Dd][Ll][Ll]\", \"[A-Za-z0-9_]+\"" pairs "${table}")
    set(names)
    foreach(pair IN LISTS pairs)
        string(REGEX MATCH "\"([^\"]+)\", \"([A-Za-z0-9_]+)\"" unused "${pair}")
        if(CMAKE_MATCH_2 IN_LIST prefixes)
            list(APPEND names "  ${CMAKE_MATCH_1}")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES names)
    if(NOT names)
        message(WARNING "release: no library name found for the prefixes of fdarc.def (${prefixes})")
    endif()
    list(JOIN names "\n" names)
    set(${out} "${names}" PARENT_SCOPE)
endfunction()

fardelix_served_library_names(LIBRARY_NAMES)
foreach(template README.txt archivers-README.txt)
    file(READ ${PROJECT_SOURCE_DIR}/resources/release/${template}.in text)
    string(CONFIGURE "${text}" text @ONLY)
    fardelix_write_release_text(${template} "${text}")
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/resources/release/README.txt.in
    ${PROJECT_SOURCE_DIR}/resources/release/archivers-README.txt.in
    ${PROJECT_SOURCE_DIR}/archivelib/fdarc.def
    ${PROJECT_SOURCE_DIR}/archivers/formats.cpp)

# Licences of what is linked in statically: the MinGW-w64 start-up code and
# winpthreads, libstdc++ and libgcc (GPL 3 with the GCC runtime library
# exception) and zlib. The bundled library's own licence folder, when it has
# one, is added whole below.
set(release_licenses
    "mingw-w64|/usr/share/doc/mingw-w64-${RELEASE_MINGW_ARCH}-dev/copyright"
    "gcc-runtime-library|/usr/share/doc/gcc-mingw-w64-base/copyright"
    "GPL-3|/usr/share/common-licenses/GPL-3"
    "zlib|/usr/share/doc/libz-mingw-w64-dev/copyright")
set(release_license_files)
foreach(entry IN LISTS release_licenses)
    string(REPLACE "|" ";" entry "${entry}")
    list(GET entry 0 name)
    list(GET entry 1 source)
    if(NOT EXISTS ${source})
        message(FATAL_ERROR "release: licence text ${source} is missing (run tools/setup.sh)")
    endif()
    file(READ ${source} text)
    fardelix_write_release_text(licenses/${name}.txt "${text}")
    list(APPEND release_license_files ${RELEASE_TEXT_DIR}/licenses/${name}.txt)
endforeach()

install(TARGETS fardelix RUNTIME DESTINATION .)
# The import library stays out of the zip.
install(TARGETS fdarc RUNTIME DESTINATION archivers ARCHIVE DESTINATION lib COMPONENT import EXCLUDE_FROM_ALL)
install(FILES ${RELEASE_TEXT_DIR}/README.txt DESTINATION .)
install(FILES ${RELEASE_TEXT_DIR}/archivers-README.txt DESTINATION archivers RENAME README.txt)
install(FILES ${release_license_files} DESTINATION licenses)
install(DIRECTORY ${CMAKE_BINARY_DIR}/archivelib/licenses/ DESTINATION licenses OPTIONAL
    FILES_MATCHING PATTERN "*.txt")

# cpack only packs what the build made: tools/release.sh and tools/test.sh
# build first, so the install step need not build every test as well.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME fardelix)
set(CPACK_PACKAGE_VERSION ${FARDELIX_VERSION})
set(CPACK_PACKAGE_FILE_NAME fardelix-${FARDELIX_VERSION}-${RELEASE_WIDTH})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_STRIP_FILES TRUE)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
