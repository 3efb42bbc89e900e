# Warning flags for the project's own targets (not for JUCE).
function(vokt_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(VOKT_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# vokt_library(<name> SOURCES ... [DEPS ...])
# One static library per layout folder; headers live beside the sources.
# A folder without sources yet gives a header-only (INTERFACE) library.
function(vokt_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    if(NOT ARG_SOURCES)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS} vokt_juce)
        return()
    endif()
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} vokt_juce)
    vokt_warnings(${name})
endfunction()
