# The radar simulator, tested as the peer the tool meets on the line, and its field scenario.
radar_add_test(tst_simulator tst_simulator.cpp)
