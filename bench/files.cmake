# Open, save and export of a large file through the main window beside a bare read and
# setPlainText, and the batch converter beside iconv, measured in the same run.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_LIST_DIR}/bench_files.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_ui)
