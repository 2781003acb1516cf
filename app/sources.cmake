list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/heap.cpp
    ${CMAKE_CURRENT_LIST_DIR}/long_work.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_loop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
set(MAIN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
