# The link's pure pieces (frames, replies, scene values, figures) without a line; then the link
# on a line to the simulated radar: exchanges, the figures they leave, ports that cannot open.
radar_add_test(tst_frames tst_frames.cpp TIMEOUT 480)
radar_add_test(tst_transaction tst_transaction.cpp TIMEOUT 560)
set_tests_properties(tst_transaction PROPERTIES COST 50)
