# Scene verification, the configuration report, the log and plot exports.
radar_add_test(tst_extras tst_extras.cpp TIMEOUT 300)
