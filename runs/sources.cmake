list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/compression_run.cpp
    ${CMAKE_CURRENT_LIST_DIR}/extraction_run.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_support.cpp)
