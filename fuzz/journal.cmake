# Recovery journals: random bytes read as a journal, and journals written, cut and damaged.
tovilo_add_fuzzer(NAME fuzz_journal SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_journal.cpp
                  LIBS tovilo_recovery)
set_target_properties(fuzz_journal PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    add_test(NAME fuzz_journal_replay
             COMMAND fuzz_journal -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/journal)
    set_tests_properties(fuzz_journal_replay PROPERTIES LABELS "recovery;fuzz")
endif()
