# The Kanji-to-Hangul conversion: a generated table and its lookup, plain C++ without Qt.
# kanjihangultable.h is written by gen_kanjihangul.py; the build never runs the script.
add_library(tovilo_kanji STATIC
    ${CMAKE_CURRENT_LIST_DIR}/kanjihangul.h
    ${CMAKE_CURRENT_LIST_DIR}/kanjihangul.cpp
    ${CMAKE_CURRENT_LIST_DIR}/kanjihangultable.h
)
target_include_directories(tovilo_kanji PUBLIC ${PROJECT_SOURCE_DIR})
tovilo_warnings(tovilo_kanji)
# No Qt here, so nothing for moc to scan.
set_target_properties(tovilo_kanji PROPERTIES AUTOMOC OFF)
