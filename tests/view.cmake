# The editor's own view: keys, mouse, clipboard, input methods, wrap, the accent's place.
tovilo_add_test(NAME tst_memoview SOURCES tst_memoview.cpp LIBS tovilo_view)
# The primary selection exists only under X11: run its test there too when a virtual display
# can be had.
find_program(TOVILO_XVFB_RUN xvfb-run)
if(TOVILO_XVFB_RUN)
    add_test(NAME tst_memoview_x11
             COMMAND ${TOVILO_XVFB_RUN} -a $<TARGET_FILE:tst_memoview> -platform xcb
                     primarySelection)
    set_tests_properties(tst_memoview_x11 PROPERTIES TIMEOUT 120)
endif()
# The view against QPlainTextEdit under the same random key sequences.
tovilo_add_test(NAME tst_memoview_differential SOURCES tst_memoview_differential.cpp
                LIBS tovilo_view)
