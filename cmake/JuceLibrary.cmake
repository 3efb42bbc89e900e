# Debian ships JUCE as module sources whose CMake targets are INTERFACE
# libraries. They are compiled exactly once here, into one static library
# that every target of the project links.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VOKT_CODECS REQUIRED IMPORTED_TARGET flac vorbisenc vorbisfile vorbis ogg)

add_library(vokt_juce STATIC)
target_link_libraries(vokt_juce
    PRIVATE
        juce::juce_audio_utils
        juce::juce_audio_processors
        juce::juce_audio_formats
        juce::juce_audio_devices
        juce::juce_audio_basics
        juce::juce_dsp
        juce::juce_osc
        juce::juce_opengl
        juce::juce_gui_extra
        juce::juce_gui_basics
        juce::juce_graphics
        juce::juce_data_structures
        juce::juce_events
        juce::juce_core
    PUBLIC
        juce::juce_recommended_config_flags
        juce::pkgconfig_JUCE_IMG_LINUX_DEPS
        PkgConfig::VOKT_CODECS)

# Sanitizer builds are test builds: line tables (-g1) give their reports
# file:line, inlined frames included, and compile, link and take disk in a
# fraction of full debug information. JUCE's recommended flags add -g in
# Debug after the directory's options, so the level is handed on from a
# library linked after them, where it comes last on every compile line.
if(NOT VOKT_SANITIZE STREQUAL "none")
    add_library(vokt_sanitizer_debug_info INTERFACE)
    target_compile_options(vokt_sanitizer_debug_info INTERFACE -g1)
    target_link_libraries(vokt_juce PUBLIC vokt_sanitizer_debug_info)
endif()

target_compile_definitions(vokt_juce PRIVATE
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_MODAL_LOOPS_PERMITTED=1
    JUCE_JACK=1
    JUCE_ALSA=1
    JUCE_DISPLAY_SPLASH_SCREEN=0
    JUCE_VST3_CAN_REPLACE_VST2=0
    JUCE_USE_FLAC=1
    JUCE_USE_OGGVORBIS=1)

# Hand the computed include directories and definitions (module paths,
# JUCE_MODULE_AVAILABLE_* flags, the settings above) to every user.
target_include_directories(vokt_juce INTERFACE
    $<TARGET_PROPERTY:vokt_juce,INCLUDE_DIRECTORIES>)
target_compile_definitions(vokt_juce INTERFACE
    $<TARGET_GENEX_EVAL:vokt_juce,$<TARGET_PROPERTY:vokt_juce,COMPILE_DEFINITIONS>>)

# JUCE's sound-file readers shift negative samples left (FLAC, 24-bit PCM)
# and store header fields into enums unchecked (extensible WAV channel
# masks): defined by what every compiler here does, but fatal under UBSan,
# so a sanitizer build could not read real files. Those two checks only are
# left out of that one translation unit; everything else stays checked.
# The channel-set code those readers call numbers the channels past the
# named speakers beyond the enum's range (a WAV file of more than 127
# discrete channels), which clang's enum check refuses where the value is
# passed in: that translation unit goes without the enum check only.
if(VOKT_SANITIZE STREQUAL "address")
    set_source_files_properties("${JUCE_MODULES_DIR}/juce_audio_formats/juce_audio_formats.cpp"
        TARGET_DIRECTORY vokt_juce
        PROPERTIES COMPILE_OPTIONS "-fno-sanitize=shift;-fno-sanitize=enum")
    set_source_files_properties("${JUCE_MODULES_DIR}/juce_audio_basics/juce_audio_basics.cpp"
        TARGET_DIRECTORY vokt_juce
        PROPERTIES COMPILE_OPTIONS "-fno-sanitize=enum")
endif()
