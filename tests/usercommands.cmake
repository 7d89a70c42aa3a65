# The commands and looks added for desktop users, through the real windows. The looks run
# again at a scale factor of 2.
tovilo_add_test(NAME tst_usercommands SOURCES tst_usercommands.cpp windowrun.h LIBS tovilo_ui)
add_test(NAME tst_usercommands_scale2
    COMMAND tst_usercommands escapeCloses toolWindowFitsTheScreen padButtonsAreWhole panelsHoldTheirLongestText
            longFileNameIsElidedInTheMiddle windowFitsTheScreen)
set_tests_properties(tst_usercommands_scale2 PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QT_SCALE_FACTOR=2" TIMEOUT 600)
