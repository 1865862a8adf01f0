# These tests run on a scaled screen: at a scale factor of 2 (the area's own run) and again at
# 1.5. Scale 1 is measured inside the tests.
set(area_scale_factor 2)
gtest_discover_tests(${target}
    TEST_SUFFIX "@1.5"
    WORKING_DIRECTORY ${area_working_directory}
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
        ENVIRONMENT_MODIFICATION "QT_SCALE_FACTOR=set:1.5" TIMEOUT 120
    DISCOVERY_TIMEOUT 60
    DISCOVERY_MODE ${SFP_DISCOVERY_MODE})
