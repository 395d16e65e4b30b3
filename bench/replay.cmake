add_executable(bench_replay ${CMAKE_CURRENT_LIST_DIR}/bench_replay.cpp ${CMAKE_CURRENT_LIST_DIR}/benchsupport.h
               ${CMAKE_CURRENT_LIST_DIR}/benchrecording.h)
target_link_libraries(bench_replay PRIVATE radarcore)
set_target_properties(bench_replay PROPERTIES AUTOUIC OFF)
