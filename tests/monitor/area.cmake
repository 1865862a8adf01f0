# The monitor samples the simulated module through the substitute libraries, found by name.
add_dependencies(${target} ${SFP_SIM_TARGETS})
set(area_library_path ${SFP_SIM_LIB_DIR})
