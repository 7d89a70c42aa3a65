# The save of a large text: the walk through the buffer, encoding while the previous block is
# written, beside writing and syncing the same bytes from memory.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_save.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_text tovilo_encoding)
