# Tests of the text buffer and of reading files into it (the library has no Qt; QtTest is only
# the test framework).
tovilo_add_test(NAME tst_textbuffer SOURCES tst_textbuffer.cpp LIBS tovilo_text LABELS text)
tovilo_add_test(NAME tst_textload SOURCES tst_textload.cpp LIBS tovilo_text LABELS text)
tovilo_add_test(NAME tst_document SOURCES tst_document.cpp LIBS tovilo_document LABELS text)
