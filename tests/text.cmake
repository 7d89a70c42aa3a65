# Tests of the text buffer and of reading files into it (the library has no Qt; QtTest is only
# the test framework).
tovilo_add_test(NAME tst_textbuffer SOURCES tst_textbuffer.cpp LIBS tovilo_text LABELS text)
tovilo_add_test(NAME tst_textload SOURCES tst_textload.cpp LIBS tovilo_text LABELS text threads)
# The reads in pieces are held against one pass over the encoding fuzzer's files, among others.
target_compile_definitions(tst_textload PRIVATE
    TOVILO_ENCODING_CORPUS="${PROJECT_SOURCE_DIR}/fuzz/corpus/encoding")
tovilo_add_test(NAME tst_document SOURCES tst_document.cpp LIBS tovilo_document LABELS text threads)
