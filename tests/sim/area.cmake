# The substitute libraries are reached by name through LD_LIBRARY_PATH; the simulation core is
# linked too, for the scenario parser's and the simulated module's own tests.
target_link_libraries(${target} PRIVATE sfp_simcore)
add_dependencies(${target} ${SFP_SIM_TARGETS})
target_compile_definitions(${target} PRIVATE SFP_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
set(area_library_path ${SFP_SIM_LIB_DIR})
# Whether the VISA library has a network transport to load.
if(SFP_SIM_TCPIP)
    target_compile_definitions(${target} PRIVATE SFP_SIM_TCPIP=1)
endif()
