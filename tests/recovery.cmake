# The recovery journal: the reader over damaged and stale journals, and the program killed while
# typing or saving and started again (as uid 65534 when run as root, through setpriv).
tovilo_add_test(NAME tst_recovery SOURCES tst_recovery.cpp LIBS tovilo_ui tovilo_recovery)
# The journal's syncing thread.
set_property(TEST tst_recovery APPEND PROPERTY LABELS threads)
