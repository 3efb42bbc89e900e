# Sanitizers apply to everything in the build, JUCE included, so that
# instrumented and uninstrumented code never share objects.
if(VOKT_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
elseif(VOKT_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
elseif(NOT VOKT_SANITIZE STREQUAL "none")
    message(FATAL_ERROR "VOKT_SANITIZE must be none, address or thread")
endif()

# Fuzz builds: coverage instrumentation for everything (JUCE included), so
# that libFuzzer is guided through JUCE's parsers as well as ours.
if(VOKT_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
        message(FATAL_ERROR "VOKT_FUZZ needs clang: -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang")
    endif()
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
