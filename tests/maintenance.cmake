# Firmware upgrade and data sampling against the simulated radar's loader and stream. The
# upgrade tests make their sets with the project's own upgrade-set maker, all but one that
# writes its set itself. Its parts: the sets and whole runs, the status texts, the status cut
# anywhere, and the runs the radar, the line or the operator interferes with.
radar_add_test(tst_upgrade tst_upgrade.cpp maintenancefixture.h IN_PARTS)
radar_add_test_part(tst_upgrade_sets tst_upgrade
  aRepeatedKeyIsDrawnAgain pieceOrderOfOneSeedIsPinned
  theMakerWritesTheSetOfADeviceType aSetWrittenByHandIsSentInImageOrder aWholeUpgradeFlashesTheImage
  packetsFollowThePieces deviceTypeTwoUsesItsOwnBlock aRunWithoutAUsableSetSendsNothing)
radar_add_test_part(tst_upgrade_status tst_upgrade
  statusBytesAreCutAtClosingZeros statusMessagesSteerTheLabelAndTheProgress statusMessagesHoweverTheLoaderWritesThem)
radar_add_test_part(tst_upgrade_status_cut tst_upgrade aStatusMessageCutAnywhereIsJoined)
radar_add_test_part(tst_upgrade_faults_start tst_upgrade
  aRunTheRadarFailsEnds badAcknowledgementsAreAnsweredWithTheSamePacket)
radar_add_test_part(tst_upgrade_faults_transfer tst_upgrade
  aSetWhosePiecesRunOutEndsTheRun aRadarLeftInItsLoaderIsShownAndCanBeUpgradedAgain)
radar_add_test_part(tst_upgrade_faults_stop tst_upgrade
  closingTheWindowStopsTheRunAtItsNextCheck)
radar_add_test(tst_sampling tst_sampling.cpp maintenancefixture.h TIMEOUT 300)
add_dependencies(tst_upgrade make-upgrade-set)

# Without any locale (the C locale of a bare CI job) the Chinese folder and file names and the
# status texts in the local 8-bit encoding must come out the same.
radar_add_test_part(tst_upgrade_c_locale tst_upgrade
  aWholeUpgradeFlashesTheImage statusMessagesSteerTheLabelAndTheProgress
  ENVIRONMENT LC_ALL=C LANG=C LANGUAGE=)
radar_add_test_part(tst_sampling_c_locale tst_sampling
  aStoppedRunKeepsWhatTheRadarSent aFileThatCannotBeMadeIsReported
  ENVIRONMENT LC_ALL=C LANG=C LANGUAGE=)

# The longest runs first, so that ctest -j overlaps them with everything else.
set_tests_properties(tst_sampling tst_upgrade_sets tst_upgrade_status tst_upgrade_status_cut tst_upgrade_faults_start tst_upgrade_faults_transfer
  tst_upgrade_faults_stop PROPERTIES COST 60)
