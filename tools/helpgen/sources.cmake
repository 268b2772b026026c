# The generator's sources besides main.cpp, shared with the native unit tests.
set(HELPGEN_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cp932.cpp
    ${CMAKE_CURRENT_LIST_DIR}/help_source.cpp
    ${CMAKE_CURRENT_LIST_DIR}/hlp_writer.cpp
    ${CMAKE_CURRENT_LIST_DIR}/html_writer.cpp)
