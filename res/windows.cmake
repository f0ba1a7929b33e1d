# The Windows version resource, generated from version.txt: the same numbers as the block the
# Linux build embeds (res/CMakeLists.txt).
#
#   orv_add_version_resource(<target> [STRING_BLOCK <block>])
#
# STRING_BLOCK replaces the string table's block name (normally LANGUAGE and CODEPAGE) to make a
# resource that lookups under the usual block must not find. Needs enable_language(RC).

set(ORV_VERSION_TXT ${CMAKE_CURRENT_LIST_DIR}/version.txt)
set(ORV_VERSION_RC_IN ${CMAKE_CURRENT_LIST_DIR}/OrvTerm.rc.in)

function(orv_add_version_resource target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "STRING_BLOCK" "")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${ORV_VERSION_TXT})
    file(STRINGS ${ORV_VERSION_TXT} lines REGEX "^[A-Z_]+=")
    foreach(line IN LISTS lines)
        string(REGEX MATCH "^([A-Z_]+)=(.*)$" _ "${line}")
        set(value_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
    endforeach()
    foreach(key FILE_VERSION PRODUCT_VERSION)
        if(NOT value_${key} MATCHES "^[0-9]+\\.[0-9]+\\.[0-9]+\\.[0-9]+$")
            message(FATAL_ERROR "${ORV_VERSION_TXT}: ${key} must be four numbers a.b.c.d")
        endif()
        set(ORV_${key} ${value_${key}})
        string(REPLACE "." "," ORV_${key}_COMMAS ${value_${key}})
    endforeach()
    foreach(key LANGUAGE CODEPAGE)
        if(NOT value_${key} MATCHES "^[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f]$")
            message(FATAL_ERROR "${ORV_VERSION_TXT}: ${key} must be four hex digits")
        endif()
        set(ORV_${key} ${value_${key}})
    endforeach()
    set(ORV_STRING_BLOCK "${ORV_LANGUAGE}${ORV_CODEPAGE}")
    if(ARG_STRING_BLOCK)
        set(ORV_STRING_BLOCK ${ARG_STRING_BLOCK})
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
    configure_file(${ORV_VERSION_RC_IN} ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
endfunction()
