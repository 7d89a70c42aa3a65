# Settings files, closing, the exit window, font and wrap.
tovilo_add_test(NAME tst_settingsfiles SOURCES tst_settingsfiles.cpp windowrun.h LIBS tovilo_ui)
tovilo_add_test(NAME tst_closing SOURCES tst_closing.cpp windowrun.h LIBS tovilo_ui)
