# Huge and hostile files; run under CI (label large) or on request: ctest -L large
tovilo_add_test(NAME tst_large SOURCES tst_large.cpp LIBS tovilo_ui LABELS large)
set_tests_properties(tst_large PROPERTIES TIMEOUT 1200)
