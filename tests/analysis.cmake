# Trip analysis: the counts over recordings and the --analyse report (the plan view's heat-map layer
# is tested with the plan view, in view.cmake).
radar_add_test(tst_tripanalysis tst_tripanalysis.cpp TIMEOUT 200)
# The window's side: heat map, fixed objects and the what-if of a replay, against the simulator.
radar_add_test(tst_tripwindow tst_tripwindow.cpp TIMEOUT 240)
add_dependencies(tst_tripwindow radar-config)
target_compile_definitions(tst_tripwindow PRIVATE RADAR_PROGRAM="$<TARGET_FILE:radar-config>")
