# Recovery journals: random bytes read as a journal, and journals written, cut and damaged.
# Under libFuzzer the journal's sources are compiled into the target, so they carry the
# fuzzer's coverage and sanitizer instrumentation.
if(TOVILO_LIBFUZZER)
    tovilo_sources_of(tovilo_lib_sources tovilo_recovery)
    tovilo_add_fuzzer(NAME fuzz_journal
                      SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_journal.cpp
                              ${tovilo_lib_sources}
                      LIBS tovilo_text tovilo_encoding Threads::Threads)
else()
    tovilo_add_fuzzer(NAME fuzz_journal SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_journal.cpp
                      LIBS tovilo_recovery)
endif()
set_target_properties(fuzz_journal PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    add_test(NAME fuzz_journal_replay
             COMMAND fuzz_journal -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/journal)
    set_tests_properties(fuzz_journal_replay PROPERTIES LABELS "recovery;fuzz")
endif()
