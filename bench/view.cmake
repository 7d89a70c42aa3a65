# The editor view alone: keystroke, caret move, click and repaint at the end of a large text
# against an empty one.
list(APPEND TOVILO_BENCH_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/guiapp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/guiapp.h
    ${CMAKE_CURRENT_LIST_DIR}/bench_view.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_view)
list(REMOVE_DUPLICATES TOVILO_BENCH_SOURCES)
