list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/number_text.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/task_table.cpp)
list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/task_paths.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/task_create.cpp)
