# Fuzz target of the encoding library. Under libFuzzer the library's sources are compiled into
# the target, so they carry the fuzzer's coverage and sanitizer instrumentation.
if(TOVILO_LIBFUZZER)
    tovilo_sources_of(tovilo_lib_sources tovilo_encoding)
    tovilo_add_fuzzer(NAME fuzz_encoding
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_encoding.cpp ${tovilo_lib_sources})
else()
    tovilo_add_fuzzer(NAME fuzz_encoding SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_encoding.cpp
                      LIBS tovilo_encoding)
endif()
set_target_properties(fuzz_encoding PROPERTIES AUTOMOC OFF)

if(TOVILO_BUILD_TESTS)
    # Replays the committed corpus once (libFuzzer with -runs=0; the replayer ignores options).
    add_test(NAME fuzz_encoding_corpus
             COMMAND fuzz_encoding -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/encoding)
    set_tests_properties(fuzz_encoding_corpus PROPERTIES LABELS "encoding;fuzz" TIMEOUT 300)
endif()
