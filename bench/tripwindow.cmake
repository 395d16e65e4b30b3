# The trip analysis in the window: a what-if on an hour's recording, and what the operator feels
# from a reply to the painted frame with tracks and the heat map on.
add_executable(bench_whatif ${CMAKE_CURRENT_LIST_DIR}/bench_whatif.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h
               ${CMAKE_CURRENT_LIST_DIR}/benchrecording.h)
target_link_libraries(bench_whatif PRIVATE radarcore)
set_target_properties(bench_whatif PROPERTIES AUTOUIC OFF)
add_executable(bench_framelatency ${CMAKE_CURRENT_LIST_DIR}/bench_framelatency.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h)
target_link_libraries(bench_framelatency PRIVATE radarcore radarsim)
set_target_properties(bench_framelatency PROPERTIES AUTOUIC OFF)
