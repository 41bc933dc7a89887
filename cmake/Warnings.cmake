# Portable code builds with warnings as errors in every tree.
add_library(qz_warnings INTERFACE)
target_compile_options(qz_warnings INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wno-sign-conversion)
# The gcc trees hold the line; the clang fuzz tree only reports what clang sees differently.
if(NOT QZ_FUZZ)
  target_compile_options(qz_warnings INTERFACE -Werror)
endif()

# Helper: a portable static library with the shared warning set.
function(qz_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_link_libraries(${name} PUBLIC qz_warnings)
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
endfunction()
