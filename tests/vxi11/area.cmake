# The network room's tests: the cores in process, and the daemon with clients from elsewhere.
target_link_libraries(${target} PRIVATE sfp_vxi11)
add_dependencies(${target} aq3310-simd sfp_visa)
# Our VISA library is loaded by name, as programs load it.
set(area_library_path ${SFP_SIM_LIB_DIR})
target_compile_definitions(${target} PRIVATE
    SFP_SIMD="$<TARGET_FILE:aq3310-simd>" SFP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
# The daemon's tests share the machine's portmapper: one at a time.
set(area_serial TRUE)
# The recorder, started as a user starts it, on a module the daemon serves.
if(TARGET aq3310-rec)
    add_dependencies(${target} aq3310-rec sfp_aqk3310)
    target_compile_definitions(${target} PRIVATE SFP_REC_PROGRAM="$<TARGET_FILE:aq3310-rec>")
endif()
