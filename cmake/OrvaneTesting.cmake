find_package(GTest REQUIRED)
include(GoogleTest)

# orvane_add_gtest(<name> LABEL unit|integration|gui [TIMEOUT s] SOURCES ... [LIBS ...])
#
# Builds one GoogleTest program and registers every test in it with CTest,
# labelled and with a timeout. Discovery runs when CTest runs, so a gui test
# program is never started at build time without a display.
function(orvane_add_gtest name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  if(NOT T_LABEL MATCHES "^(unit|integration|gui)$")
    message(FATAL_ERROR "orvane_add_gtest(${name}): LABEL must be unit, integration or gui")
  endif()
  if(NOT T_TIMEOUT)
    if(T_LABEL STREQUAL "unit")
      set(T_TIMEOUT 60)
    else()
      set(T_TIMEOUT 180)
    endif()
  endif()
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  orvane_set_warnings(${name})
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 30
    PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
endfunction()

# orvane_add_test_command(<name> LABEL ... [TIMEOUT s] COMMAND ...)
# A plain command as a CTest test (fuzz corpus replays, scripted checks).
function(orvane_add_test_command name)
  cmake_parse_arguments(T "" "LABEL;TIMEOUT" "COMMAND" ${ARGN})
  if(NOT T_LABEL MATCHES "^(unit|integration|gui)$")
    message(FATAL_ERROR "orvane_add_test_command(${name}): LABEL must be unit, integration or gui")
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  add_test(NAME ${name} COMMAND ${T_COMMAND})
  set_tests_properties(${name} PROPERTIES LABELS ${T_LABEL} TIMEOUT ${T_TIMEOUT})
endfunction()

# orvane_add_fuzzer(<name> SOURCES ... [LIBS ...] CORPUS <dir>)
#
# A libFuzzer target (LLVMFuzzerTestOneInput). With ORVANE_FUZZ it links
# libFuzzer for real fuzzing; otherwise it links a small driver that replays
# the files it is given. Either way CTest replays the seed corpus once (label
# unit): no timed fuzzing runs in tests.
function(orvane_add_fuzzer name)
  cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  orvane_set_warnings(${name})
  if(ORVANE_FUZZ)
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    set(replay_args -runs=0 ${F_CORPUS})
  else()
    target_link_libraries(${name} PRIVATE orvane_fuzz_replay)
    set(replay_args ${F_CORPUS})
  endif()
  orvane_add_test_command(${name}_corpus LABEL unit TIMEOUT 300
    COMMAND ${name} ${replay_args})
endfunction()
