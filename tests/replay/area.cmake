# Recordings replayed on the simulated module and recorded again with aq3310-rec, found by name
# through LD_LIBRARY_PATH; files of other tools (sigrok-cli, GTKWave's converters) when they are
# installed.
target_link_libraries(${target} PRIVATE sfp_simcore)
add_dependencies(${target} aq3310-rec ${SFP_SIM_TARGETS})
target_compile_definitions(${target} PRIVATE SFP_REC_PROGRAM="$<TARGET_FILE:aq3310-rec>")
set(area_library_path ${SFP_SIM_LIB_DIR})
target_compile_definitions(${target} PRIVATE SFP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
target_sources(${target} PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../rec/RecSupport.cpp)
