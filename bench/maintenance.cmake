add_executable(bench_maintenance ${CMAKE_CURRENT_LIST_DIR}/bench_maintenance.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_maintenance PRIVATE radarcore radarsim)
set_target_properties(bench_maintenance PROPERTIES AUTOUIC OFF)
