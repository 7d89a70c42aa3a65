# The text buffer against a plain model. Under libFuzzer the buffer's sources are compiled
# into the target, so they carry the fuzzer's coverage and sanitizer instrumentation.
if(TOVILO_LIBFUZZER)
    tovilo_sources_of(tovilo_lib_sources tovilo_text)
    tovilo_add_fuzzer(NAME fuzz_textbuffer
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_textbuffer.cpp ${tovilo_lib_sources}
                      LIBS tovilo_encoding tovilo_platform)
else()
    tovilo_add_fuzzer(NAME fuzz_textbuffer SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_textbuffer.cpp
                      LIBS tovilo_text)
endif()
set_target_properties(fuzz_textbuffer PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    # -runs=0 makes a libFuzzer build replay the corpus and stop; the replayer ignores it.
    add_test(NAME fuzz_textbuffer_replay
             COMMAND fuzz_textbuffer -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/textbuffer)
    set_tests_properties(fuzz_textbuffer_replay PROPERTIES LABELS "text;fuzz")
endif()
