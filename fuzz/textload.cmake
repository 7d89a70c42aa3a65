# Reading a file in pieces at once against one pass, over the encoding fuzzer's files. Under
# libFuzzer the encoding and text sources are compiled into the target, so they carry the
# fuzzer's coverage and sanitizer instrumentation.
if(TOVILO_LIBFUZZER)
    tovilo_sources_of(tovilo_lib_sources tovilo_encoding tovilo_text)
    tovilo_add_fuzzer(NAME fuzz_textload
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_textload.cpp
                              ${tovilo_lib_sources}
                      LIBS tovilo_platform Threads::Threads)
else()
    tovilo_add_fuzzer(NAME fuzz_textload SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_textload.cpp
                      LIBS tovilo_text)
endif()
set_target_properties(fuzz_textload PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    # -runs=0 makes a libFuzzer build replay the corpus and stop; the replayer ignores it.
    add_test(NAME fuzz_textload_replay
             COMMAND fuzz_textload -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/encoding)
    set_tests_properties(fuzz_textload_replay PROPERTIES LABELS "text;fuzz")
endif()
