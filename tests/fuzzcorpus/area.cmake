target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/OptionsTarget.cpp ${CMAKE_SOURCE_DIR}/fuzz/ReadoutTarget.cpp
    ${CMAKE_SOURCE_DIR}/fuzz/IdentificationTarget.cpp ${CMAKE_SOURCE_DIR}/fuzz/ScenarioTarget.cpp
    ${CMAKE_SOURCE_DIR}/fuzz/FormatTarget.cpp ${CMAKE_SOURCE_DIR}/fuzz/ResourceNameTarget.cpp
    ${CMAKE_SOURCE_DIR}/fuzz/RecordingTarget.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
target_compile_definitions(${target} PRIVATE SFP_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/fuzz/corpus")
# The scenario parser, the simulated module and the formatted I/O engine live in the
# simulation's static library.
target_link_libraries(${target} PRIVATE sfp_simcore)
# The VXI-11 server's request decoding, where the network room is built.
if(TARGET sfp_vxi11)
    target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/Vxi11Target.cpp)
    target_link_libraries(${target} PRIVATE sfp_vxi11)
    target_compile_definitions(${target} PRIVATE SFP_FUZZ_VXI11)
endif()
