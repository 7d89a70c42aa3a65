# The save and the two exports on random texts, fed in random chunks and through a text buffer.
# Under libFuzzer the encoding library's sources are compiled into the target, so the writers
# carry the fuzzer's coverage and sanitizer instrumentation.
if(TOVILO_LIBFUZZER)
    tovilo_sources_of(tovilo_lib_sources tovilo_encoding tovilo_text)
    tovilo_add_fuzzer(NAME fuzz_exports
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_exports.cpp
                              ${tovilo_lib_sources}
                      LIBS tovilo_platform)
else()
    tovilo_add_fuzzer(NAME fuzz_exports SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_exports.cpp
                      LIBS tovilo_text tovilo_encoding)
endif()
set_target_properties(fuzz_exports PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    # -runs=0 makes a libFuzzer build replay the corpus and stop; the replayer ignores it.
    add_test(NAME fuzz_exports_replay
             COMMAND fuzz_exports -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/exports)
    set_tests_properties(fuzz_exports_replay PROPERTIES LABELS "encoding;fuzz")
endif()
