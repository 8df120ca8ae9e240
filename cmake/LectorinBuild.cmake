# Settings every target of the project shares.

set(LECTORIN_WARNINGS -Wall -Wextra -Wpedantic -Werror)

if(LECTORIN_SANITIZE)
  set(LECTORIN_SANITIZER_FLAGS -fsanitize=address,undefined -fno-sanitize-recover=all
                               -fno-omit-frame-pointer)
  add_compile_options(${LECTORIN_SANITIZER_FLAGS})
  add_link_options(${LECTORIN_SANITIZER_FLAGS})
endif()

# Coverage for ./test.sh --coverage: gcov counters in every unit, no
# optimisation, so that lines and branches map to the source as written.
# Counters are updated atomically: tests that run threads would otherwise
# leave torn (even negative) counts that the report cannot read.
if(LECTORIN_COVERAGE)
  add_compile_options(--coverage -O0 -fprofile-update=atomic)
  add_link_options(--coverage)
endif()

# Fuzzing: coverage and the sanitizers everywhere, the fuzzer driver only in
# the fuzz targets (fuzz/CMakeLists.txt).
if(LECTORIN_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "LECTORIN_FUZZ needs clang (CC=clang CXX=clang++)")
  endif()
  set(LECTORIN_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined
                          -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${LECTORIN_FUZZ_FLAGS})
  # The GCC builds hold the line on warnings; clang's own findings in code
  # built only for fuzzing are shown without stopping the build.
  set(LECTORIN_WARNINGS -Wall -Wextra)
  add_link_options(-fsanitize=address,undefined)
endif()

# Warnings as errors and hidden symbols: only what a target exports on purpose
# is visible outside it.
function(lectorin_defaults target)
  target_compile_options(${target} PRIVATE ${LECTORIN_WARNINGS})
  set_target_properties(${target} PROPERTIES CXX_VISIBILITY_PRESET hidden
                                             C_VISIBILITY_PRESET hidden
                                             VISIBILITY_INLINES_HIDDEN ON)
endfunction()

# The path of a build file as the programs under test see it: unchanged on
# Linux, Wine's Z: drive on the Windows build.
function(lectorin_host_path out path)
  if(WIN32)
    string(REPLACE "/" "\\" native "${path}")
    set(${out} "Z:${native}" PARENT_SCOPE)
  else()
    set(${out} "${path}" PARENT_SCOPE)
  endif()
endfunction()

# A text as the body of a C string literal (backslashes doubled), for paths
# handed to the code through compile definitions.
function(lectorin_c_string out text)
  string(REPLACE "\\" "\\\\" escaped "${text}")
  set(${out} "${escaped}" PARENT_SCOPE)
endfunction()
