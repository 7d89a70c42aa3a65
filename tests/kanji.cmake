# Kanji-to-Hangul table and lookup.
tovilo_add_test(NAME tst_kanjihangul SOURCES tst_kanjihangul.cpp LIBS tovilo_kanji)
