# Opening large UTF-8 and Shift_JIS files into the text buffer, time and peak memory, each in a
# child process; and the 1 GB run through the main window (only with --only gigabyte).
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_open.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_ui)
