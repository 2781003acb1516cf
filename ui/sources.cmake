list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/dialog_values.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/about_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/dialog_controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/extract_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/handoff.cpp
    ${CMAKE_CURRENT_LIST_DIR}/library_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_controls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main_window.cpp
    ${CMAKE_CURRENT_LIST_DIR}/run_commands.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_dialog.cpp
    ${CMAKE_CURRENT_LIST_DIR}/reason_tip.cpp
    ${CMAKE_CURRENT_LIST_DIR}/status_bar.cpp
    ${CMAKE_CURRENT_LIST_DIR}/task_list_view.cpp)
