# Decode throughput of the encoding library beside glibc iconv(3), measured in the same run.
list(APPEND TOVILO_BENCH_SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/bench_encoding.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_encoding)
