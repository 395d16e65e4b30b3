# Ten radars applied in one batch run at the wire's pace: the time per radar against its wire time and the settle.
add_executable(bench_batch ${CMAKE_CURRENT_LIST_DIR}/bench_batch.cpp)
target_link_libraries(bench_batch PRIVATE radarcore radarsim)
set_target_properties(bench_batch PROPERTIES AUTOUIC OFF)
