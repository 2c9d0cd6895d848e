# Tests of the Windows build, all under Wine in the private prefix of this build tree.
# The wineserver is started once for the run and ended after it.
add_test(NAME wine_prefix_start COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --start)
set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 300)
add_test(NAME wine_prefix_stop COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --stop)
set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)

# Runs a script with the prefix's environment (WINEPREFIX, SWIFTLANE_*_DIR); the tests
# find swiftlane.exe and the other build outputs through SWIFTLANE_BINARY_DIR.
function(swiftlane_wine_script name)
  add_test(NAME ${name} COMMAND ${CMAKE_BINARY_DIR}/wine-run.sh --env ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 RUN_SERIAL TRUE)
endfunction()

if(TARGET swiftlane_win_tests)
  add_test(NAME win_unit_tests COMMAND swiftlane_win_tests)
  set_tests_properties(win_unit_tests PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 600 RUN_SERIAL TRUE)
endif()

file(GLOB WIN_TEST_DIRS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/*/CMakeLists.txt)
foreach(f ${WIN_TEST_DIRS})
  get_filename_component(d ${f} DIRECTORY)
  get_filename_component(n ${d} NAME)
  add_subdirectory(${d} ${CMAKE_BINARY_DIR}/tests/${n})
endforeach()
add_subdirectory(${CMAKE_SOURCE_DIR}/bench ${CMAKE_BINARY_DIR}/bench)
