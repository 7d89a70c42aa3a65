# Opening, inserting, saving and exporting files, and the batch commands.
tovilo_add_test(NAME tst_textwriter SOURCES tst_textwriter.cpp LIBS tovilo_ui)
tovilo_add_test(NAME tst_files SOURCES tst_files.cpp LIBS tovilo_ui)
