# The decoders, the file calls and the text buffer checked by a plain program without Qt: it
# also builds and runs where Qt is not built, as in the Windows cross-build (TOVILO_CORE_ONLY),
# run there under wine.
add_executable(tst_plain_decoders ${CMAKE_CURRENT_LIST_DIR}/tst_plain_decoders.cpp)
target_link_libraries(tst_plain_decoders PRIVATE tovilo_text tovilo_encoding)
tovilo_warnings(tst_plain_decoders)
set_target_properties(tst_plain_decoders PROPERTIES AUTOMOC OFF)
add_test(NAME tst_plain_decoders COMMAND tst_plain_decoders)
set_tests_properties(tst_plain_decoders PROPERTIES LABELS encoding TIMEOUT 120)
