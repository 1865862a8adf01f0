# aq3310-rec runs on the substitute libraries, found by name through LD_LIBRARY_PATH; its files
# are checked with sigrok-cli and vcd2fst when they are installed.
target_link_libraries(${target} PRIVATE sfp_rec)
add_dependencies(${target} aq3310-rec ${SFP_SIM_TARGETS})
target_compile_definitions(${target} PRIVATE SFP_REC_PROGRAM="$<TARGET_FILE:aq3310-rec>")
set(area_library_path ${SFP_SIM_LIB_DIR})
# The three programs answer --help and --version alike.
add_dependencies(${target} aq3310-sfp)
target_compile_definitions(${target} PRIVATE SFP_PANEL_PROGRAM="$<TARGET_FILE:aq3310-sfp>"
    SFP_VERSION_TEXT="${PROJECT_VERSION}")
if(TARGET aq3310-simd)
    add_dependencies(${target} aq3310-simd)
    target_compile_definitions(${target} PRIVATE SFP_SIMD_PROGRAM="$<TARGET_FILE:aq3310-simd>")
endif()
