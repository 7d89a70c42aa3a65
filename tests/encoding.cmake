# Tests of the encoding library (the library has no Qt; QtTest is only the test framework).
foreach(name tables decoders readers detect textfile textwriter)
    tovilo_add_test(NAME tst_encoding_${name} SOURCES tst_encoding_${name}.cpp
                    LIBS tovilo_encoding LABELS encoding)
endforeach()
# The save's writing and encoding threads (the ThreadSanitizer build runs the label threads).
set_property(TEST tst_encoding_textwriter APPEND PROPERTY LABELS threads)
