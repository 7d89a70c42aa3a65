# Installs the build into PREFIX and checks that every installed file is in its place.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(path IN ITEMS
        bin/toviloeditru
        share/applications/toviloeditru.desktop
        share/icons/hicolor/scalable/apps/toviloeditru.svg
        share/metainfo/toviloeditru.metainfo.xml)
    if(NOT EXISTS "${PREFIX}/${path}")
        message(FATAL_ERROR "not installed: ${path}")
    endif()
endforeach()
file(REMOVE_RECURSE "${PREFIX}")
