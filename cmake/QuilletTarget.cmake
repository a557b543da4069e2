# Project-wide compile settings, applied per target (no directory-wide flags).

if(QUILLET_SANITIZE STREQUAL "address")
  set(QUILLET_SAN_FLAGS -fsanitize=address,undefined -fno-omit-frame-pointer
                        -fno-sanitize-recover=undefined)
elseif(QUILLET_SANITIZE STREQUAL "thread")
  set(QUILLET_SAN_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(QUILLET_SANITIZE)
  message(FATAL_ERROR "QUILLET_SANITIZE must be empty, address or thread")
endif()

# A fuzz build gives all of the project's own code coverage instrumentation, so libFuzzer
# sees past the harness into the parsers; only the harnesses link libFuzzer itself (see
# fuzz/). Third-party libraries stay uninstrumented.
if(QUILLET_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QUILLET_FUZZ needs clang (use the fuzz preset)")
  endif()
  set(QUILLET_COVERAGE_FLAGS -fsanitize=fuzzer-no-link)
endif()

# quillet_target(<target>): warnings, sanitizers and fuzz coverage.
function(quillet_target target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic
                         $<$<BOOL:${QUILLET_WERROR}>:-Werror>)
  if(QUILLET_SAN_FLAGS)
    target_compile_options(${target} PRIVATE ${QUILLET_SAN_FLAGS})
    target_link_options(${target} PRIVATE ${QUILLET_SAN_FLAGS})
  endif()
  if(QUILLET_COVERAGE_FLAGS)
    target_compile_options(${target} PRIVATE ${QUILLET_COVERAGE_FLAGS})
  endif()
endfunction()

# quillet_add_source_folders(): adds each folder of QUILLET_SOURCE_DIRS that has a
# CMakeLists.txt below the current source dir (the top, or the tests/bench/fuzz mirrors).
macro(quillet_add_source_folders)
  foreach(dir IN LISTS QUILLET_SOURCE_DIRS)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      add_subdirectory(${dir})
    endif()
  endforeach()
endmacro()
