# The search as plain logic over a text target or a text in memory, QtCore only, so that it
# is tested without windows. The find dialog and the document adapter belong to tovilo_ui.
add_library(tovilo_search STATIC
    ${CMAKE_CURRENT_LIST_DIR}/textsearch.h
    ${CMAKE_CURRENT_LIST_DIR}/textsearch.cpp
)
target_include_directories(tovilo_search PUBLIC ${PROJECT_SOURCE_DIR})
# A long search runs on two threads.
find_package(Threads REQUIRED)
target_link_libraries(tovilo_search PUBLIC Qt6::Core tovilo_ime tovilo_text Threads::Threads)
tovilo_warnings(tovilo_search)
set_target_properties(tovilo_search PROPERTIES AUTOMOC OFF)
