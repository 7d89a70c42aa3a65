# Opening a large file in the real program under an X server, to idle, beside Kate.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_desktop.cpp)
