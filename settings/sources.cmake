list(APPEND CORE_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/ini_text.cpp
    ${CMAKE_CURRENT_LIST_DIR}/settings_values.cpp)
list(APPEND WIN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/settings.cpp)
