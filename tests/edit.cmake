# The editor's edit commands, clipboard paste and undo through the real main window.
tovilo_add_test(NAME tst_editcommands SOURCES tst_editcommands.cpp editfixture.h LIBS tovilo_ui)
tovilo_add_test(NAME tst_memorylimit SOURCES tst_memorylimit.cpp editfixture.h LIBS tovilo_ui)
