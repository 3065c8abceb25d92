# Speed targets as Google Benchmark programs (printed, never asserted).
if(benchmark_FOUND)
  add_executable(bench_registry ${CMAKE_CURRENT_LIST_DIR}/registry_bench.cpp)
  target_link_libraries(bench_registry PRIVATE ce_registry ce_testsupport benchmark::benchmark)
  ce_warnings(bench_registry)
  add_executable(bench_baseline ${CMAKE_CURRENT_LIST_DIR}/baseline_bench.cpp)
  target_link_libraries(bench_baseline PRIVATE benchmark::benchmark)
  ce_warnings(bench_baseline)
endif()

# The control panel: start-up to the first complete frame, a full repaint of
# the panel, and the peak memory of the program (a timed tool that prints
# medians; it ignores the benchmark options ./run bench passes).
add_executable(bench_halvo ${CMAKE_CURRENT_LIST_DIR}/halvo_bench.cpp)
target_link_libraries(bench_halvo PRIVATE -Wl,--whole-archive halvo_shell -Wl,--no-whole-archive ce_program
  ce_boot ce_testsupport)
target_compile_definitions(bench_halvo PRIVATE HALVO_EXE="$<TARGET_FILE:halvo>")
add_dependencies(bench_halvo halvo)
ce_add_resources(TARGET bench_halvo RC ${CMAKE_SOURCE_DIR}/halvo/res/halvo.rc MODULE halvo
  INCLUDE_DIRS ${HALVO_ART_DIR} DEPENDS ${halvo_picture_files})
ce_warnings(bench_halvo)

# The brightness dialog: auto-repeat steps per second while an arrow is held,
# and OK while held to the dialog closed (a timed tool that prints medians).
add_executable(bench_brightness ${CMAKE_CURRENT_LIST_DIR}/brightness_bench.cpp)
target_link_libraries(bench_brightness PRIVATE -Wl,--whole-archive halvo_shell -Wl,--no-whole-archive ce_program
  ce_boot ce_testsupport)
ce_add_resources(TARGET bench_brightness RC ${CMAKE_SOURCE_DIR}/halvo/res/halvo.rc MODULE halvo
  INCLUDE_DIRS ${HALVO_ART_DIR} DEPENDS ${halvo_picture_files})
ce_warnings(bench_brightness)

# Live automation over the control socket, and 40 devices side by side (a
# timed tool that prints medians).
add_executable(bench_control ${CMAKE_CURRENT_LIST_DIR}/control_bench.cpp)
target_compile_definitions(bench_control PRIVATE HALVO_EXE="$<TARGET_FILE:halvo>")
add_dependencies(bench_control halvo)
ce_warnings(bench_control)
