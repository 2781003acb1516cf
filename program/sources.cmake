list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
    ${CMAKE_CURRENT_LIST_DIR}/job_options.cpp
    ${CMAKE_CURRENT_LIST_DIR}/job_text.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/job_run.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_loop.cpp
    ${CMAKE_CURRENT_LIST_DIR}/startup.cpp)
set(MAIN_SOURCE ${CMAKE_CURRENT_LIST_DIR}/main.cpp)
