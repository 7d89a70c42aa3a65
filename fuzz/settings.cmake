# The settings-file readers (pure functions of shell/settings.h) on random bytes.
tovilo_add_fuzzer(NAME fuzz_settings SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/fuzz_settings.cpp
                  LIBS tovilo_ui)
set_target_properties(fuzz_settings PROPERTIES AUTOMOC OFF)
if(TOVILO_BUILD_TESTS)
    # -runs=0 makes a libFuzzer build replay the corpus and stop; the replayer ignores it.
    add_test(NAME fuzz_settings_replay
             COMMAND fuzz_settings -runs=0 ${CMAKE_CURRENT_SOURCE_DIR}/corpus/settings)
    set_tests_properties(fuzz_settings_replay PROPERTIES LABELS "fuzz")
endif()
