target_link_libraries(${target} PRIVATE sfp_recording)
