list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/find_record.cpp
    ${CMAKE_CURRENT_LIST_DIR}/formats.cpp
    ${CMAKE_CURRENT_LIST_DIR}/library_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_text.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/archiver_library.cpp
    ${CMAKE_CURRENT_LIST_DIR}/library_search.cpp
    ${CMAKE_CURRENT_LIST_DIR}/record_layouts.cpp)
