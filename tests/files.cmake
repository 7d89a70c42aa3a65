# Opening, inserting, saving and exporting files, and the batch commands.
tovilo_add_test(NAME tst_textwriter SOURCES tst_textwriter.cpp LIBS tovilo_ui)
tovilo_add_test(NAME tst_files SOURCES tst_files.cpp LIBS tovilo_ui)
# Files that must not be lost: refused inputs, kept permissions, temporaries, changes on disk.
# Runs the program itself (signals) and, as root, itself again as uid 65534 (permissions).
tovilo_add_test(NAME tst_filesafety SOURCES tst_filesafety.cpp LIBS tovilo_ui)
target_compile_definitions(tst_filesafety PRIVATE TOVILO_PROGRAM="$<TARGET_FILE:toviloeditru>")
add_dependencies(tst_filesafety toviloeditru)
