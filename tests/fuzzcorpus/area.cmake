target_sources(${target} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz/OptionsTarget.cpp ${CMAKE_SOURCE_DIR}/fuzz/ReadoutTarget.cpp)
target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR}/fuzz)
target_compile_definitions(${target} PRIVATE SFP_FUZZ_CORPUS="${CMAKE_SOURCE_DIR}/fuzz/corpus")
