# The registry editor: expanding a key with 10,000 sub-keys, filling the
# list with 1,000 values, repainting the tree of 10,000 items (a timed tool
# that prints medians; it ignores the benchmark options ./run bench passes).
add_executable(bench_arbor ${CMAKE_CURRENT_LIST_DIR}/arbor_bench.cpp)
target_link_libraries(bench_arbor PRIVATE -Wl,--whole-archive arbor_app -Wl,--no-whole-archive ce_program
  ce_boot ce_testsupport)
ce_add_resources(TARGET bench_arbor RC ${CMAKE_SOURCE_DIR}/arbor/res/arbor.rc MODULE arbor
  INCLUDE_DIRS ${ARBOR_ART_DIR} DEPENDS ${arbor_picture_files})
ce_warnings(bench_arbor)
