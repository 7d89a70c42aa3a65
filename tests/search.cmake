# The search logic without windows, and the find dialog and find command through the real
# windows.
tovilo_add_test(NAME tst_textsearch SOURCES tst_textsearch.cpp LIBS tovilo_search)
tovilo_add_test(NAME tst_find SOURCES tst_find.cpp editfixture.h LIBS tovilo_ui)
# The search over both halves of a long text at once.
set_property(TEST tst_textsearch APPEND PROPERTY LABELS threads)
