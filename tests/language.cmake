# Language switching and the English catalogue. The catalogue check reads the .ts sources of the
# tree and runs lupdate over the code to see what the program actually asks to be translated.
radar_add_test(tst_language tst_language.cpp TIMEOUT 300)
target_compile_definitions(tst_language PRIVATE
  RADAR_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
  RADAR_LUPDATE="$<TARGET_FILE:Qt${RADAR_QT}::lupdate>")
