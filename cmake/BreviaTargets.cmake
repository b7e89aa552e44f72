# Shared compile settings and helpers for the project's targets.

add_library(brevia_options INTERFACE)
target_compile_options(brevia_options INTERFACE -Wall -Wextra)
target_include_directories(brevia_options INTERFACE ${PROJECT_SOURCE_DIR})
# Only tests and benchmarks know where the source tree is, so the libraries compile the same
# from any checkout (and a compiler cache can share them).
add_library(brevia_source_dir INTERFACE)
target_compile_definitions(brevia_source_dir INTERFACE
  BREVIA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
if(BREVIA_SANITIZE)
  target_compile_options(brevia_options INTERFACE
    -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(brevia_options INTERFACE -fsanitize=address,undefined)
endif()
if(BREVIA_FUZZ)
  # Everything the fuzz targets link is instrumented for coverage.
  target_compile_options(brevia_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
    -fno-sanitize-recover=undefined -g)
  target_link_options(brevia_options INTERFACE -fsanitize=address,undefined)
endif()

# brevia_library(NAME FOLDERS dir... [LIBS lib...])
# A static library of every .cpp file directly inside the given folders.
function(brevia_library name)
  cmake_parse_arguments(ARG "" "" "FOLDERS;LIBS" ${ARGN})
  set(sources)
  foreach(folder IN LISTS ARG_FOLDERS)
    file(GLOB found CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
  else()
    add_library(${name} INTERFACE)
  endif()
  get_target_property(kind ${name} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE brevia_options ${ARG_LIBS})
  else()
    target_link_libraries(${name} PUBLIC brevia_options ${ARG_LIBS})
  endif()
endfunction()
