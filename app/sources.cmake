list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/layout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log_line.cpp
    ${CMAKE_CURRENT_LIST_DIR}/row_moves.cpp
    ${CMAKE_CURRENT_LIST_DIR}/text.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/buffered_paint.cpp
    ${CMAKE_CURRENT_LIST_DIR}/controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/first_activation.cpp
    ${CMAKE_CURRENT_LIST_DIR}/heap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instance.cpp
    ${CMAKE_CURRENT_LIST_DIR}/list_rows.cpp
    ${CMAKE_CURRENT_LIST_DIR}/list_sort.cpp
    ${CMAKE_CURRENT_LIST_DIR}/long_work.cpp
    ${CMAKE_CURRENT_LIST_DIR}/modal.cpp
    ${CMAKE_CURRENT_LIST_DIR}/shell_entries.cpp
    ${CMAKE_CURRENT_LIST_DIR}/status_tips.cpp
    ${CMAKE_CURRENT_LIST_DIR}/unattended.cpp)
