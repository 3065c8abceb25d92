# Speed targets as Google Benchmark programs (printed, never asserted).
if(benchmark_FOUND)
  add_executable(bench_registry ${CMAKE_CURRENT_LIST_DIR}/registry_bench.cpp)
  target_link_libraries(bench_registry PRIVATE ce_registry ce_testsupport benchmark::benchmark)
  ce_warnings(bench_registry)
endif()
