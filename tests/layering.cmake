# The include direction of the folders (scripts/check_layering.cmake), also run by the build.
add_test(NAME layering
         COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR}
                 -P ${PROJECT_SOURCE_DIR}/scripts/check_layering.cmake)
