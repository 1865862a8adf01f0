target_link_libraries(${target} PRIVATE sfp_recording)
# A VISA library with only the event functions, for sampling on service requests; loaded by
# name through LD_LIBRARY_PATH, as the program loads VISA.
foreach(fake sfp_srq_fake sfp_srq_fake_nowait)
    add_library(${fake} SHARED ${area_dir}/srqfake/SrqFake.cpp)
    target_include_directories(${fake} PRIVATE ${CMAKE_SOURCE_DIR})
    set_target_properties(${fake} PROPERTIES OUTPUT_NAME ${fake} AUTOMOC OFF
        LIBRARY_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/srqfake CXX_VISIBILITY_PRESET hidden)
    sfp_warnings(${fake})
    add_dependencies(${target} ${fake})
endforeach()
target_compile_definitions(sfp_srq_fake_nowait PRIVATE SRQ_FAKE_NO_WAIT)
set(area_library_path "${CMAKE_CURRENT_BINARY_DIR}/srqfake")
