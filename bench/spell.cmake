# Spell checking on against off: a keystroke with the repaint after it at the end of a large
# text.
list(APPEND TOVILO_BENCH_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/guiapp.cpp
    ${CMAKE_CURRENT_LIST_DIR}/guiapp.h
    ${CMAKE_CURRENT_LIST_DIR}/bench_spell.cpp)
list(APPEND TOVILO_BENCH_LIBS tovilo_ui)
list(REMOVE_DUPLICATES TOVILO_BENCH_SOURCES)
