# Firmware upgrade and data sampling against the simulated radar's loader and stream. The
# upgrade tests make their sets with the project's own upgrade-set maker.
radar_add_test(tst_upgrade tst_upgrade.cpp maintenancefixture.h TIMEOUT 300)
radar_add_test(tst_upgrade_faults tst_upgrade_faults.cpp maintenancefixture.h TIMEOUT 400)
radar_add_test(tst_sampling tst_sampling.cpp maintenancefixture.h TIMEOUT 300)
add_dependencies(tst_upgrade make-upgrade-set)
add_dependencies(tst_upgrade_faults make-upgrade-set)

# Without any locale (the C locale of a bare CI job) the Chinese folder and file names and the
# status texts in the local 8-bit encoding must come out the same.
foreach(case
    "tst_upgrade;aWholeUpgradeFlashesTheImage;statusMessagesSteerTheLabelAndTheProgress"
    "tst_sampling;aStoppedRunKeepsWhatTheRadarSent;aFileThatCannotBeMadeIsReported")
  list(GET case 0 program)
  list(SUBLIST case 1 -1 functions)
  add_test(NAME ${program}_c_locale COMMAND ${program} ${functions})
  set_tests_properties(${program}_c_locale PROPERTIES TIMEOUT 120
    ENVIRONMENT "LC_ALL=C;LANG=C;LANGUAGE=;QT_QPA_PLATFORM=offscreen;ASAN_OPTIONS=halt_on_error=1:detect_leaks=1;LSAN_OPTIONS=suppressions=${CMAKE_CURRENT_SOURCE_DIR}/lsan.supp;UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
endforeach()
