# Checks that the folders include each other's headers in one direction only. Every folder is
# a library target; a folder may include its own headers and those listed for it below, and
# nothing else of the tree. Run as: cmake -DROOT=<source folder> -P check_layering.cmake
# Fails with the offending lines when a file includes a header it may not.
# tests/, bench/ and fuzz/ sit outside the layers and may include anything.
set(tovilo_layers encoding text document recovery spell ime view app tools search info shell)
set(allowed_encoding "")
set(allowed_text "encoding")
set(allowed_document "text;encoding")
set(allowed_recovery "text;encoding")
set(allowed_spell "text")
set(allowed_ime "")
set(allowed_view "ime;text;encoding")
# The guard of edits that run out of memory reads the size from the buffer's exception.
set(allowed_app "ime;text/textbuffer.h")
set(allowed_tools "app;ime")
# The find entry's context menu converts with the tools' Kanji table, nothing else of tools/.
set(allowed_search "app;ime;text;encoding;tools/kanjihangul.h")
set(allowed_info "app")
set(allowed_shell "app;ime;text;encoding;document;recovery;spell;view;tools;search;info")

if(NOT ROOT)
    message(FATAL_ERROR "check_layering.cmake: pass -DROOT=<source folder>")
endif()

set(faults "")
foreach(folder IN LISTS tovilo_layers)
    file(GLOB files "${ROOT}/${folder}/*.h" "${ROOT}/${folder}/*.cpp")
    foreach(file IN LISTS files)
        file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" header "${line}")
            string(REGEX MATCH "^[^/]+" top "${header}")
            if(NOT header MATCHES "/" OR top STREQUAL folder)
                continue()
            endif()
            list(FIND tovilo_layers "${top}" layer)
            if(layer LESS 0)
                continue() # not a folder of the tree (a generated file, a system header)
            endif()
            list(FIND allowed_${folder} "${top}" by_folder)
            list(FIND allowed_${folder} "${header}" by_file)
            if(by_folder LESS 0 AND by_file LESS 0)
                file(RELATIVE_PATH name "${ROOT}" "${file}")
                string(REPLACE ";" " " may "${allowed_${folder}}")
                string(APPEND faults "  ${name} includes ${header}; ${folder}/ may include: ${may}\n")
            endif()
        endforeach()
    endforeach()
endforeach()

if(faults)
    message(FATAL_ERROR "Includes against the direction of the folders:\n${faults}")
endif()
