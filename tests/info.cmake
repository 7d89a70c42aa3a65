# Keymap help and copyright windows, web sites, and desktop shortcuts through the real windows.
tovilo_add_test(NAME tst_helpwindows SOURCES tst_helpwindows.cpp LIBS tovilo_ui)
tovilo_add_test(NAME tst_shortcut SOURCES tst_shortcut.cpp LIBS tovilo_ui)
target_compile_definitions(tst_shortcut PRIVATE
    TOVILO_DESKTOP_ENTRY="${PROJECT_SOURCE_DIR}/data/toviloeditru.desktop"
    TOVILO_METAINFO="${PROJECT_SOURCE_DIR}/data/toviloeditru.metainfo.xml")
