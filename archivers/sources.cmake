list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/formats.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/archiver_library.cpp)
