# The text buffer: loading, saving, a keystroke, line look-ups and a search through its spans.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_text.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_text tovilo_ui)
