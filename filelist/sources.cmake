list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/list_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/naming.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/collect.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_list_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_list_parts.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_list_status.cpp
    ${CMAKE_CURRENT_LIST_DIR}/file_list_window.cpp)
