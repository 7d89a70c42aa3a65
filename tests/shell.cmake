tovilo_add_test(NAME tst_memotarget SOURCES tst_memotarget.cpp LIBS tovilo_view)
tovilo_add_test(NAME tst_mainwindow SOURCES tst_mainwindow.cpp LIBS tovilo_ui)
