add_executable(bench_analysis ${CMAKE_CURRENT_LIST_DIR}/bench_analysis.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h
               ${CMAKE_CURRENT_LIST_DIR}/benchrecording.h)
target_link_libraries(bench_analysis PRIVATE radarcore)
set_target_properties(bench_analysis PROPERTIES AUTOUIC OFF)
