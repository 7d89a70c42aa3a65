# The save and the two exports on random texts, fed in random chunks. The writer is plain C++;
# its source is compiled into the target so it carries the fuzzer's instrumentation.
tovilo_add_fuzzer(NAME fuzz_exports
                  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_exports.cpp
                          ${PROJECT_SOURCE_DIR}/shell/textio.cpp
                  LIBS tovilo_encoding tovilo_text)
set_target_properties(fuzz_exports PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    # -runs=0 makes a libFuzzer build replay the corpus and stop; the replayer ignores it.
    add_test(NAME fuzz_exports_replay
             COMMAND fuzz_exports -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/exports)
    set_tests_properties(fuzz_exports_replay PROPERTIES LABELS "fuzz")
endif()
