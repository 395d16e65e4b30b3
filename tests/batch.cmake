# The batch commands: the real program run as a script runs it, against simulated radars.
radar_add_test(tst_batch tst_batch.cpp TIMEOUT 400)
add_dependencies(tst_batch radar-config)
target_compile_definitions(tst_batch PRIVATE RADAR_PROGRAM="$<TARGET_FILE:radar-config>")
set_tests_properties(tst_batch PROPERTIES COST 60)
