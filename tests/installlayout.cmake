# The install rules put the program and its desktop files where a desktop and the Debian
# package (which cpack builds from the same rules) expect them.
add_test(NAME install_layout
    COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
            -DPREFIX=${CMAKE_CURRENT_BINARY_DIR}/install_layout
            -P ${PROJECT_SOURCE_DIR}/scripts/check-install.cmake)
