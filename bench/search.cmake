# The find command's search over a large editor text, beside QString::indexOf.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_search.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_ui)
