# aq3310-rec runs on the substitute libraries, found by name through LD_LIBRARY_PATH; its files
# are checked with sigrok-cli and vcd2fst when they are installed.
target_link_libraries(${target} PRIVATE sfp_rec)
add_dependencies(${target} aq3310-rec ${SFP_SIM_TARGETS})
target_compile_definitions(${target} PRIVATE SFP_REC_PROGRAM="$<TARGET_FILE:aq3310-rec>")
set(area_library_path ${SFP_SIM_LIB_DIR})
