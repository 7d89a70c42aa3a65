# The save and the two exports on random texts, fed in random chunks and through a text buffer.
# Under libFuzzer the encoding library's sources are compiled into the target, so the writers
# carry the fuzzer's coverage and sanitizer instrumentation.
if(TOVILO_LIBFUZZER)
    get_target_property(tovilo_encoding_sources tovilo_encoding SOURCES)
    get_target_property(tovilo_encoding_dir tovilo_encoding SOURCE_DIR)
    list(TRANSFORM tovilo_encoding_sources PREPEND ${tovilo_encoding_dir}/)
    get_target_property(tovilo_text_sources tovilo_text SOURCES)
    get_target_property(tovilo_text_dir tovilo_text SOURCE_DIR)
    list(TRANSFORM tovilo_text_sources PREPEND ${tovilo_text_dir}/)
    tovilo_add_fuzzer(NAME fuzz_exports
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_exports.cpp
                              ${tovilo_encoding_sources} ${tovilo_text_sources}
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
