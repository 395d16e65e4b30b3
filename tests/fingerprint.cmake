# The scene fingerprint, the full scene file and the radar history store: pure functions and a
# database file, no window and no radar.
# The scene's values run as three entries of one program; a new test function must be added to
# one of the lists.
radar_add_test(tst_fingerprint tst_fingerprint.cpp IN_PARTS)
radar_add_test_part(tst_fingerprint tst_fingerprint fingerprintIsTheCrcOfTheWrites everyValueChangesIt)
radar_add_test_part(tst_scenefile tst_fingerprint roundTrip badFilesAreRefused filesThatCannotBeReadOrWritten)
radar_add_test_part(tst_scenechanges tst_fingerprint changesAreListedExactly contradictionsFollowTheDeviceType)
radar_add_test(tst_history tst_history.cpp IN_PARTS)
# On the SQLite file; tests/historypg.cmake runs it once more on a PostgreSQL server.
radar_add_test_part(tst_history tst_history
  entriesComeBackInOrderPerRadar handEditsAreNamed foreignNewerAndLockedFilesAreLeftAlone
  aFailedWriteSaysWhyAndKeepsTheChain aVersion1FileIsBroughtUp)
