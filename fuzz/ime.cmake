# Both input engines on random texts, selections and keys.
tovilo_add_fuzzer(NAME fuzz_ime SOURCES fuzz_ime.cpp LIBS tovilo_ime)
if(TOVILO_BUILD_TESTS)
    # -runs=0 makes a libFuzzer build replay the corpus and stop; the replayer ignores it.
    add_test(NAME fuzz_ime_replay
             COMMAND fuzz_ime -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/ime)
endif()
