target_compile_definitions(${target} PRIVATE SFP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
