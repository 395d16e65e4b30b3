# The radar simulator, tested as the peer the tool meets on the line.
radar_add_test(tst_simulator tst_simulator.cpp)
radar_add_test(tst_fieldscenario tst_fieldscenario.cpp)
