radar_add_test(tst_activitylog tst_activitylog.cpp)
radar_add_test(tst_mainwindow tst_mainwindow.cpp)
radar_add_test(tst_commandline tst_commandline.cpp)
add_dependencies(tst_commandline radar-config)
target_compile_definitions(tst_commandline PRIVATE RADAR_PROGRAM="$<TARGET_FILE:radar-config>"
                           RADAR_EXPECTED_VERSION="${PROJECT_VERSION}")
