# The archiver library's C dependencies, built once per build folder at
# configure time: liblzma (xz-utils), libbz2 (bzip2) and libarchive from
# Debian's source packages, as static libraries with this build's MinGW
# toolchain. zlib comes from libz-mingw-w64-dev. A stamp per library keeps a
# second configure from building it again.
#
# Gives: the imported target fdarc_libarchive (libarchive with its codecs),
# and FDARC_LICENSE_FILES, the licence texts copied to
# ${CMAKE_CURRENT_BINARY_DIR}/licenses for whoever packages the DLL.

set(FDARC_DEPS_DIR ${CMAKE_CURRENT_BINARY_DIR}/deps)
set(FDARC_DEPS_SOURCES ${FDARC_DEPS_DIR}/src CACHE PATH "Unpacked Debian source packages of the archiver library's dependencies")
set(FDARC_DEPS_PREFIX ${FDARC_DEPS_DIR}/install)
# Bump when the options below change, so existing build folders rebuild.
set(FDARC_DEPS_RECIPE 2)

execute_process(
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/fetch-sources.sh ${FDARC_DEPS_SOURCES}
    RESULT_VARIABLE fdarc_fetch_result)
if(NOT fdarc_fetch_result EQUAL 0)
    message(FATAL_ERROR "fetching the dependencies' Debian source packages failed")
endif()

find_library(FDARC_ZLIB NAMES libz.a REQUIRED)
find_path(FDARC_ZLIB_INCLUDE zlib.h REQUIRED)

# Configures, builds and installs one dependency into FDARC_DEPS_PREFIX unless
# its stamp says this recipe already did.
#   fdarc_build_dependency(NAME SOURCE_DIR [TARGET T COPY FROM=TO...] OPTIONS -D...)
# With TARGET, only that target is built and the COPY pairs (FROM below the
# build folder or the source folder, TO below the prefix) stand for its install.
function(fdarc_build_dependency name source)
    cmake_parse_arguments(ARG "" "TARGET" "COPY;OPTIONS" ${ARGN})
    set(stamp ${FDARC_DEPS_DIR}/${name}.done)
    set(recipe "${FDARC_DEPS_RECIPE};${source};${ARGN};${CMAKE_TOOLCHAIN_FILE}")
    if(EXISTS ${stamp})
        file(READ ${stamp} built)
        if(built STREQUAL recipe)
            return()
        endif()
    endif()
    # NOTICE goes to stderr: the scripts hide the configure's own output, and
    # this step is quiet for minutes.
    message(NOTICE "fdarc: building ${name} from its Debian source for this build folder, once "
                   "(a minute or two on two cores; later configures skip it)")
    # A folder left by a failed attempt keeps its configure checks: the retry is quicker.
    set(binary ${FDARC_DEPS_DIR}/build-${name})
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S ${source} -B ${binary} -G Ninja
            -DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}
            -DCMAKE_BUILD_TYPE=Release
            -DCMAKE_INSTALL_PREFIX=${FDARC_DEPS_PREFIX}
            -DCMAKE_PREFIX_PATH=${FDARC_DEPS_PREFIX}
            -DBUILD_SHARED_LIBS=OFF
            ${ARG_OPTIONS}
        OUTPUT_FILE ${FDARC_DEPS_DIR}/${name}-configure.log
        ERROR_FILE ${FDARC_DEPS_DIR}/${name}-configure.log
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "configuring ${name} failed: see ${FDARC_DEPS_DIR}/${name}-configure.log")
    endif()
    set(target install)
    if(ARG_TARGET)
        set(target ${ARG_TARGET})
    endif()
    execute_process(
        COMMAND ${CMAKE_COMMAND} --build ${binary} --target ${target}
        OUTPUT_FILE ${FDARC_DEPS_DIR}/${name}-build.log
        ERROR_FILE ${FDARC_DEPS_DIR}/${name}-build.log
        RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "building ${name} failed: see ${FDARC_DEPS_DIR}/${name}-build.log")
    endif()
    foreach(pair ${ARG_COPY})
        string(REPLACE "=" ";" pair "${pair}")
        list(GET pair 0 from)
        list(GET pair 1 to)
        if(EXISTS ${binary}/${from})
            set(from ${binary}/${from})
        else()
            set(from ${source}/${from})
        endif()
        get_filename_component(folder ${FDARC_DEPS_PREFIX}/${to} DIRECTORY)
        file(MAKE_DIRECTORY ${folder})
        file(COPY_FILE ${from} ${FDARC_DEPS_PREFIX}/${to})
    endforeach()
    file(REMOVE_RECURSE ${binary})
    file(WRITE ${stamp} "${recipe}")
endfunction()

# liblzma only: no tools, scripts, documentation or translations. Its decoder
# copies every match with a memcpy of a few bytes, which MinGW leaves to
# msvcrt.dll's memcpy (a call through the import table and a start made for
# long copies): GCC copies short blocks inline instead, 7z extraction is
# about a tenth faster.
fdarc_build_dependency(liblzma ${FDARC_DEPS_SOURCES}/xz-utils-5.8.1 OPTIONS
    -DXZ_TOOL_XZ=OFF -DXZ_TOOL_XZDEC=OFF -DXZ_TOOL_LZMADEC=OFF -DXZ_TOOL_LZMAINFO=OFF
    -DXZ_TOOL_SCRIPTS=OFF -DXZ_DOC=OFF -DXZ_NLS=OFF
    -DCMAKE_C_FLAGS=-minline-stringops-dynamically)
fdarc_build_dependency(bzip2 ${CMAKE_CURRENT_LIST_DIR}/bzip2 OPTIONS
    -DBZIP2_SOURCE_DIR=${FDARC_DEPS_SOURCES}/bzip2-1.0.8)
# Reading and writing only: no crypto (OpenSSL, CNG, ...), no XML (libxml2,
# expat), no regex (only its matching and mtree use it), no iconv (libarchive
# converts names with the Windows code page functions then), no tools, tests,
# ACLs or xattrs. Its zlib check runs a program, hence the Wine runner of the
# toolchain file as emulator. Only the static library is built: the shared
# one would double the build.
fdarc_build_dependency(libarchive ${FDARC_DEPS_SOURCES}/libarchive-3.6.2
    TARGET archive_static
    COPY libarchive/libarchive_static.a=lib/libarchive.a
         libarchive/archive.h=include/archive.h
         libarchive/archive_entry.h=include/archive_entry.h
    OPTIONS
    -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF -DENABLE_NETTLE=OFF -DENABLE_CNG=OFF
    -DENABLE_LIBB2=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_ZSTD=OFF
    -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF -DENABLE_PCREPOSIX=OFF -DENABLE_LIBGCC=OFF
    -DENABLE_ICONV=OFF -DENABLE_ACL=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_XATTR=OFF
    -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF -DENABLE_TEST=OFF -DENABLE_INSTALL=OFF
    -DENABLE_LZMA=ON -DENABLE_BZip2=ON -DENABLE_ZLIB=ON
    -DZLIB_LIBRARY=${FDARC_ZLIB} -DZLIB_INCLUDE_DIR=${FDARC_ZLIB_INCLUDE}
    -DBZIP2_LIBRARIES=${FDARC_DEPS_PREFIX}/lib/libbz2.a -DBZIP2_INCLUDE_DIR=${FDARC_DEPS_PREFIX}/include
    -DLIBLZMA_LIBRARY=${FDARC_DEPS_PREFIX}/lib/liblzma.a -DLIBLZMA_INCLUDE_DIR=${FDARC_DEPS_PREFIX}/include
    -DCMAKE_CROSSCOMPILING_EMULATOR=${CMAKE_CURRENT_LIST_DIR}/../../tools/wine-run.sh)

add_library(fdarc_libarchive INTERFACE)
target_include_directories(fdarc_libarchive INTERFACE ${FDARC_DEPS_PREFIX}/include ${FDARC_ZLIB_INCLUDE})
target_compile_definitions(fdarc_libarchive INTERFACE LIBARCHIVE_STATIC LZMA_API_STATIC)
target_link_libraries(fdarc_libarchive INTERFACE
    ${FDARC_DEPS_PREFIX}/lib/libarchive.a
    ${FDARC_DEPS_PREFIX}/lib/liblzma.a
    ${FDARC_DEPS_PREFIX}/lib/libbz2.a
    ${FDARC_ZLIB}
    advapi32)

# zlib's terms as its Debian package states them.
set(FDARC_ZLIB_COPYRIGHT /usr/share/doc/libz-mingw-w64-dev/copyright)
set(FDARC_LICENSE_FILES)
foreach(pair
        "libarchive.txt;${FDARC_DEPS_SOURCES}/libarchive-3.6.2/COPYING"
        "liblzma.txt;${FDARC_DEPS_SOURCES}/xz-utils-5.8.1/COPYING.0BSD"
        "bzip2.txt;${FDARC_DEPS_SOURCES}/bzip2-1.0.8/LICENSE"
        "zlib.txt;${FDARC_ZLIB_COPYRIGHT}")
    list(GET pair 0 target)
    list(GET pair 1 source)
    configure_file(${source} ${CMAKE_CURRENT_BINARY_DIR}/licenses/${target} COPYONLY)
    list(APPEND FDARC_LICENSE_FILES ${CMAKE_CURRENT_BINARY_DIR}/licenses/${target})
endforeach()
set(FDARC_LICENSE_FILES ${FDARC_LICENSE_FILES} CACHE INTERNAL "Licence texts to ship beside fdarc.dll")
