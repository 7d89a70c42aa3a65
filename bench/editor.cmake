# Keystrokes, caret refreshes and clicks in a large document against an empty one.
list(APPEND TOVILO_BENCH_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/guiapp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/guiapp.h
    ${CMAKE_CURRENT_LIST_DIR}/bench_editor.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_ui)
