# Trip analysis: the counts over recordings, the --analyse report, and the plan view's heat map.
radar_add_test(tst_tripanalysis tst_tripanalysis.cpp TIMEOUT 200)
radar_add_test(tst_heatmaplayer tst_heatmaplayer.cpp)
