# The monitor samples the simulated module through the substitute libraries, found by name, and
# the scripted VISA event library of the recording tests.
add_dependencies(${target} ${SFP_SIM_TARGETS} sfp_srq_fake)
set(area_library_path "${SFP_SIM_LIB_DIR}:${CMAKE_CURRENT_BINARY_DIR}/srqfake")
