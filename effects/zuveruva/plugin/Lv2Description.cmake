# Completes the bundle description JUCE's LV2 helper writes (dsp.ttl in the
# bundle folder BUNDLE): the inputs of the "SideChain" bus are marked as a
# side chain, so hosts offer side-chain routing for them, and the
# maintainer's e-mail becomes a mailto: address. Run after the helper, on
# every build of the LV2 target; running it twice changes nothing.
set(ttl "${BUNDLE}/dsp.ttl")
if(NOT EXISTS "${ttl}")
    message(FATAL_ERROR "no bundle description at ${ttl}")
endif()
file(READ "${ttl}" text)

string(REGEX MATCH "plug:(input_group_[0-9]+)\n\ta pg:InputGroup ;\n\tlv2:name \"SideChain\"" found "${text}")
if(NOT found)
    message(FATAL_ERROR "no SideChain input group in ${ttl}")
endif()
set(group "${CMAKE_MATCH_1}")

# The group is the side chain of the main input; each of its ports carries
# the side-chain property.
if(NOT text MATCHES "pg:sideChainOf")
    string(REPLACE "lv2:name \"SideChain\" ;\n" "lv2:name \"SideChain\" ;\n\tpg:sideChainOf plug:input_group_1 ;\n" text "${text}")
endif()
if(NOT text MATCHES "lv2:isSideChain")
    string(REPLACE "\t\tpg:group plug:${group} ;\n" "\t\tpg:group plug:${group} ;\n\t\tlv2:portProperty lv2:isSideChain ;\n" text "${text}")
endif()

string(REGEX REPLACE "foaf:mbox <([^:>]+@[^>]+)>" "foaf:mbox <mailto:\\1>" text "${text}")

file(WRITE "${ttl}" "${text}")
