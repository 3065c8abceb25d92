# Fuzz targets for the parsers of outside input: .reg text, save files,
# device paths, automation scripts, device.conf. Each target is one
# LLVMFuzzerTestOneInput over the seed corpus in corpus/NAME/.
#
# With -DFUZZ=ON (clang) every target is a libFuzzer program (./run fuzz);
# otherwise it is linked with a replay main that runs the target once over
# every file of its corpus, as the ctest test FuzzCorpus.NAME.
set(CE_FUZZ_DIR ${CMAKE_CURRENT_LIST_DIR})

function(ce_fuzz_target name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  if(FUZZ)
    add_executable(fuzz_${name} ${F_SOURCES})
    target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
  else()
    add_executable(fuzz_${name} ${F_SOURCES} ${CE_FUZZ_DIR}/replay_main.cpp)
    add_test(NAME FuzzCorpus.${name} COMMAND fuzz_${name} ${CE_FUZZ_DIR}/corpus/${name})
    set_tests_properties(FuzzCorpus.${name} PROPERTIES LABELS unit)
  endif()
  target_link_libraries(fuzz_${name} PRIVATE ${F_LIBS})
  target_include_directories(fuzz_${name} PRIVATE ${CE_FUZZ_DIR})
  ce_warnings(fuzz_${name})
endfunction()

ce_fuzz_target(regtext SOURCES ${CE_FUZZ_DIR}/regtext_fuzz.cpp LIBS ce_registry)
ce_fuzz_target(savefile SOURCES ${CE_FUZZ_DIR}/savefile_fuzz.cpp LIBS ce_registry)
ce_fuzz_target(pathmap SOURCES ${CE_FUZZ_DIR}/pathmap_fuzz.cpp LIBS ce_kernel)
# The script reader, with the table of commands it reads from (the host's
# library; only what the table refers to is linked).
ce_fuzz_target(script SOURCES ${CE_FUZZ_DIR}/script_fuzz.cpp LIBS ce_host)
# device.conf and the hardware state's reading of its MAC address, without
# the drivers' windows.
ce_fuzz_target(deviceconf SOURCES ${CE_FUZZ_DIR}/deviceconf_fuzz.cpp ${CMAKE_SOURCE_DIR}/platform/drivers/hwstate.cpp
  LIBS ce_registry)
target_include_directories(fuzz_deviceconf PRIVATE ${CMAKE_SOURCE_DIR}/platform/drivers)
