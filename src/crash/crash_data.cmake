# Post-link step for executables that carry the crash reporter: appends our function-name
# table and the file's CRC-32 (see embedded_data.h). Appended, so it survives copy and rename.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
if(NOT CMAKE_NM)
  find_program(CMAKE_NM NAMES x86_64-w64-mingw32-nm nm REQUIRED)
endif()
if(NOT CMAKE_STRIP)
  find_program(CMAKE_STRIP NAMES x86_64-w64-mingw32-strip strip REQUIRED)
endif()
# The executable ships stripped: call stacks name our functions from the embedded table.
function(swiftlane_embed_crash_data target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/src/crash/embed_crash_data.py
            $<TARGET_FILE:${target}> ${CMAKE_NM} ${CMAKE_STRIP}
    COMMENT "Embedding crash data into ${target}"
    VERBATIM)
endfunction()
