# The connection finds the substitute libraries by name through LD_LIBRARY_PATH.
add_dependencies(${target} ${SFP_SIM_TARGETS})
set(area_library_path ${SFP_SIM_LIB_DIR})
