# Character tools: the click maps of the pictures, and the pads, the screen keyboard and the
# Kanji commands through the real windows.
tovilo_add_test(NAME tst_padmap SOURCES tst_padmap.cpp LIBS tovilo_ui)
tovilo_add_test(NAME tst_chartools SOURCES tst_chartools.cpp LIBS tovilo_ui)
