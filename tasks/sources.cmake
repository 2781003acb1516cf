list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/number_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/row_compare.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_paths.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_status.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tasklist_format.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/run_switch.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_create.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_delete.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_files.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_table.cpp
    ${CMAKE_CURRENT_LIST_DIR}/tasklist_file.cpp)
