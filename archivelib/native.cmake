# The window-free parts of the bundled archiver library, built natively (with
# the sanitizers of the native preset) and tested against Linux tools.
find_package(ZLIB REQUIRED)
find_package(LibLZMA REQUIRED)
find_package(Threads REQUIRED)
add_library(fdarc_native_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/cab/cabread.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cab/cabwrite.cpp
    ${CMAKE_CURRENT_LIST_DIR}/lzh/lzhwrite.cpp
    ${CMAKE_CURRENT_LIST_DIR}/sevenzip/lzma2_pieces.cpp
    ${CMAKE_CURRENT_LIST_DIR}/base/mbname.cpp
    ${CMAKE_CURRENT_LIST_DIR}/base/namecharset.cpp)
target_include_directories(fdarc_native_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_compile_options(fdarc_native_core PRIVATE ${FARDELIX_FLAGS})
target_link_libraries(fdarc_native_core PUBLIC ZLIB::ZLIB LibLZMA::LibLZMA Threads::Threads)

if(FARDELIX_FUZZ)
    # The fuzz targets of the library's readers live with the others in tests/fuzz.
    target_link_libraries(fuzz_cab_reader PRIVATE fdarc_native_core)
    add_executable(fuzz_lzh ${CMAKE_CURRENT_LIST_DIR}/tests/native/fuzz_lzh.cpp)
    target_compile_options(fuzz_lzh PRIVATE ${FARDELIX_FLAGS})
    target_link_libraries(fuzz_lzh PRIVATE fdarc_native_core)
    target_link_options(fuzz_lzh PRIVATE -fsanitize=fuzzer)
    set_target_properties(fuzz_lzh PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})  # where tools/test.sh runs it
    return()
endif()

file(GLOB FDARC_NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/tests/native/*_test.cpp)
add_executable(fdarc_native_tests ${FDARC_NATIVE_TEST_SOURCES})
target_compile_options(fdarc_native_tests PRIVATE ${FARDELIX_FLAGS})
target_link_libraries(fdarc_native_tests PRIVATE fdarc_native_core gtest_main)
add_test(NAME fdarc_native_tests COMMAND fdarc_native_tests)
set_tests_properties(fdarc_native_tests PROPERTIES TIMEOUT 600)
