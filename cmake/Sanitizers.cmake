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
