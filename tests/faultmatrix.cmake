# Every phase of work with the radar against every fault of the radar or the line. The matrix
# runs as one ctest entry per phase, so that ctest -j runs the phases side by side; the entry
# of the whole program that radar_add_test makes would only repeat them one after the other.
radar_add_test(tst_faultmatrix tst_faultmatrix.cpp maintenancefixture.h IN_PARTS)
add_dependencies(tst_faultmatrix make-upgrade-set)
foreach(phase readBack polling sendScene flashSave saveReconnect upgradeCommand upgradeTransfer
        upgradeCompletion sampling testCommand can stationChange relaySensitivity)
  radar_add_test_part(tst_faultmatrix_${phase} tst_faultmatrix ${phase})
endforeach()
set_tests_properties(tst_faultmatrix_upgradeCompletion tst_faultmatrix_upgradeTransfer PROPERTIES COST 80)
