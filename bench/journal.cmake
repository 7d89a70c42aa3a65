# The recovery journal's cost on keystrokes and whole-text edits of a large file.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_journal.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_ui)
