# The program loads the substitute libraries, and their variants, by name.
add_dependencies(${target} ${SFP_SIM_TARGETS})
set(area_library_path ${SFP_SIM_LIB_DIR})
