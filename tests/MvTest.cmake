# Helpers for test programs that run under the build tree's Wine prefix.

# The i686 suites run in the x86_64 build's ctest run (MV_PEER_BUILD_DIR): names and labels carry the
# architecture. Where 32-bit programs cannot run, they are built and listed as not run (disabled).
set(MV_TEST_SUFFIX "")
if(MV_ARCH STREQUAL "i686")
  set(MV_TEST_SUFFIX .i686)
endif()
set(MV_RUN_TESTS ON CACHE BOOL "Run this build's Wine suites (OFF where the machine cannot run its programs)")

# Every Wine test requires this fixture: its cleanup stops the prefix's wineserver and the
# Xvfb that tools/wine-run started, so nothing of ours outlives a ctest run.
# Its setup starts the prefix keeper (see tests/support/prefix_keeper.cpp) detached from ctest's
# pipes and waits until it reports the system processes up.
function(mv_wine_fixture)
  add_executable(mv_prefix_keeper ${CMAKE_SOURCE_DIR}/tests/support/prefix_keeper.cpp)
  target_link_libraries(mv_prefix_keeper PRIVATE mv_warnings ole32 user32)
  target_link_options(mv_prefix_keeper PRIVATE -municode)
  set(ready ${MV_WINE_STATE}/keeper.ready)
  add_test(NAME wine.start COMMAND sh -c
    "rm -f '${ready}'; setsid '${CMAKE_SOURCE_DIR}/tools/wine-run' --state '${MV_WINE_STATE}' \
       '$<TARGET_FILE:mv_prefix_keeper>' \"Z:${ready}\" </dev/null >/dev/null 2>&1 &
     for i in $(seq 600); do [ -e '${ready}' ] && exit 0; sleep 0.1; done; exit 1")
  set_tests_properties(wine.start PROPERTIES FIXTURES_SETUP wine TIMEOUT 120)
  add_test(NAME wine.stop COMMAND ${CMAKE_SOURCE_DIR}/tools/wine-stop --state ${MV_WINE_STATE})
  set_tests_properties(wine.stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()

# mv_add_test(NAME name SOURCES ... [LIBS ...] [LABELS ...] [TIMEOUT s])
# One test program = one ctest entry; its GoogleTest suites group related cases.
function(mv_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE mv_warnings GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  set(test ${T_NAME}${MV_TEST_SUFFIX})
  add_test(NAME ${test} COMMAND ${T_NAME})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${test} PROPERTIES
    FIXTURES_REQUIRED wine
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS};${MV_ARCH}"
    ENVIRONMENT "MV_BUILD_DIR=${CMAKE_BINARY_DIR};MV_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
  if(NOT MV_RUN_TESTS)
    set_tests_properties(${test} PROPERTIES DISABLED TRUE)
  endif()
endfunction()

# Test programs `ARGN` of this build (ctest names with the suffix) take the resource lock `lock`.
function(mv_take_lock lock)
  set(tests ${ARGN})
  list(TRANSFORM tests APPEND "${MV_TEST_SUFFIX}")
  set_property(TEST ${tests} APPEND PROPERTY RESOURCE_LOCK ${lock})
endfunction()

# mv_uses_log_settings(test...): programs that set the log's registry values (machine-wide in the
# prefix; saved, changed and restored around each case) take turns.
function(mv_uses_log_settings)
  mv_take_lock(log_settings ${ARGN})
endfunction()

# mv_uses_running_object_table(test...): programs that publish in the prefix's Running Object
# Table (every Java-process host does) or assert on what it holds take turns.
function(mv_uses_running_object_table)
  mv_take_lock(running_object_table ${ARGN})
endfunction()

# mv_uses_com_registration(test...): programs that register or unregister the module (machine-wide
# in the prefix) take turns.
function(mv_uses_com_registration)
  mv_take_lock(com_registration ${ARGN})
endfunction()
