# The list view: filling 1,000 rows with a data text and painting once, and
# repainting a long list (only the rows in view are drawn).
if(benchmark_FOUND)
  add_executable(bench_listview ${CMAKE_CURRENT_LIST_DIR}/listview_bench.cpp)
  target_link_libraries(bench_listview PRIVATE ce_comctl benchmark::benchmark)
  target_include_directories(bench_listview PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
  ce_warnings(bench_listview)
endif()
