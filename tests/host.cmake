# Extra pieces of the host build.
#
# Fuzzing: with clang every src/**/<name>_fuzz.cpp becomes its own libFuzzer executable
# <name>_fuzz linked with the core; the target "fuzzers" builds them all. The "fuzz"
# preset (SWIFTLANE_FUZZ) also instruments the core itself, so coverage reaches into it.
# scripts/fuzz.sh builds and runs them with the seed corpora under fuzz/corpus/<target>/.

option(SWIFTLANE_FUZZ "instrument the core for libFuzzer (clang only)" OFF)

if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  return()
endif()

set(SWIFTLANE_FUZZ_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)

if(SWIFTLANE_FUZZ)
  target_compile_options(swiftlane_core PRIVATE -fsanitize=fuzzer-no-link ${SWIFTLANE_FUZZ_SANITIZERS})
  # Whatever links the instrumented core needs the sanitizer run-times.
  target_link_options(swiftlane_core INTERFACE -fsanitize=address,undefined)
endif()

file(GLOB_RECURSE SWIFTLANE_FUZZ_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*_fuzz.cpp)
add_custom_target(fuzzers)
foreach(f ${SWIFTLANE_FUZZ_SOURCES})
  get_filename_component(name ${f} NAME_WE)
  if(TARGET ${name})
    message(FATAL_ERROR "two fuzz targets are named ${name}; rename one of the *_fuzz.cpp files")
  endif()
  add_executable(${name} ${f})
  target_link_libraries(${name} PRIVATE swiftlane_core)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${SWIFTLANE_FUZZ_SANITIZERS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/fuzzers)
  add_dependencies(fuzzers ${name})
endforeach()
