# Decoys named like the libraries, in the tests' working folder; on Linux LD_LIBRARY_PATH starts
# with an empty element, which would make the loader take them from there.
set(decoy_dir ${CMAKE_CURRENT_BINARY_DIR}/decoy)
file(MAKE_DIRECTORY ${decoy_dir})
foreach(decoy visa sfp_decoy_only)
    add_library(sfp_decoy_${decoy} SHARED ${area_dir}/decoy/Decoy.cpp)
    set_target_properties(sfp_decoy_${decoy} PROPERTIES OUTPUT_NAME ${decoy}
        LIBRARY_OUTPUT_DIRECTORY ${decoy_dir} RUNTIME_OUTPUT_DIRECTORY ${decoy_dir} AUTOMOC OFF)
    add_dependencies(${target} sfp_decoy_${decoy})
endforeach()
if(WIN32)
    set_target_properties(sfp_decoy_visa PROPERTIES OUTPUT_NAME VISA32 PREFIX "")
    set_target_properties(sfp_decoy_sfp_decoy_only PROPERTIES PREFIX "")
endif()
add_dependencies(${target} ${SFP_SIM_TARGETS})
target_compile_definitions(${target} PRIVATE SFP_SIM_LIB_DIR="${SFP_SIM_LIB_DIR}")
set(area_library_path ":${SFP_SIM_LIB_DIR}")
set(area_working_directory ${decoy_dir})
