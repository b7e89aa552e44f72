# Shared compile settings and helpers for the project's targets.

option(BREVIA_WERROR "Treat compiler warnings as errors (CI builds do)" OFF)

add_library(brevia_options INTERFACE)
target_compile_options(brevia_options INTERFACE -Wall -Wextra)
if(BREVIA_WERROR)
  target_compile_options(brevia_options INTERFACE -Werror)
endif()
target_include_directories(brevia_options INTERFACE ${PROJECT_SOURCE_DIR})
# Only tests and benchmarks know where the source tree is, so the libraries compile the same
# from any checkout (and a compiler cache can share them).
add_library(brevia_source_dir INTERFACE)
target_compile_definitions(brevia_source_dir INTERFACE
  BREVIA_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
if(BREVIA_SANITIZE)
  target_compile_options(brevia_options INTERFACE
    -fsanitize=address,undefined,float-cast-overflow -fno-omit-frame-pointer
    -fno-sanitize-recover=undefined,float-cast-overflow)
  target_link_options(brevia_options INTERFACE -fsanitize=address,undefined,float-cast-overflow)
endif()
# ThreadSanitizer, for the code that runs on more than one thread: pages drawn ahead in the
# viewer, two engines drawing at once, the shared installed-font list and font file cache, JPX
# decoding (`brevia-cli render --jobs` uses processes). Not part of the CI round, which has no
# time for it. Qt, cairo and the other system libraries are not instrumented: tests/tsan.supp
# silences what those libraries themselves copy and allocate, never our own accesses.
#   nice -n 19 scripts/build.sh build-tsan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
#     -DBREVIA_TSAN=ON -DBREVIA_BENCH=OFF -- render_tests fontsys_tests decode_tests cli_tests \
#     brevia-cli viewer_tests
#   export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp" BREVIA_TEST_DATA=$PWD/tests/data
#   build-tsan/bin/render_tests --gtest_filter='ThreadedDraw*:FontLoader*:JpxImage*'
#   build-tsan/bin/fontsys_tests
#   build-tsan/bin/decode_tests --gtest_filter='*Jpx*'
#   BREVIA_BIN=$PWD/build-tsan/bin build-tsan/bin/cli_tests --gtest_filter='CliRender*'
#   QT_QPA_PLATFORM=offscreen build-tsan/bin/viewer_tests --gtest_filter='PagePrefetch*'
# A report makes the program end with status 66.
if(BREVIA_TSAN)
  if(BREVIA_SANITIZE OR BREVIA_FUZZ)
    message(FATAL_ERROR "BREVIA_TSAN cannot be combined with BREVIA_SANITIZE or BREVIA_FUZZ")
  endif()
  target_compile_options(brevia_options INTERFACE -fsanitize=thread -fno-omit-frame-pointer)
  target_link_options(brevia_options INTERFACE -fsanitize=thread)
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
  set_property(GLOBAL APPEND PROPERTY BREVIA_LAYER_LIBRARIES ${name})
  set_property(GLOBAL PROPERTY BREVIA_FOLDERS_${name} ${ARG_FOLDERS})
  set_property(GLOBAL PROPERTY BREVIA_LINKS_${name} ${ARG_LIBS})
  get_target_property(kind ${name} TYPE)
  if(kind STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE brevia_options ${ARG_LIBS})
  else()
    target_link_libraries(${name} PUBLIC brevia_options ${ARG_LIBS})
  endif()
endfunction()

# brevia_check_layers()
# Refuses to configure when a library's sources include a header of the project's folders that
# is neither its own nor one of a library it links (directly or through others), so that no
# layer reaches upwards and no two libraries depend on each other.
function(brevia_check_layers)
  get_property(libraries GLOBAL PROPERTY BREVIA_LAYER_LIBRARIES)
  foreach(name IN LISTS libraries)
    set(allowed)
    set(pending ${name})
    set(seen)
    while(pending)
      list(POP_FRONT pending current)
      if(current IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${current})
      get_property(folders GLOBAL PROPERTY BREVIA_FOLDERS_${current})
      list(APPEND allowed ${folders})
      get_property(links GLOBAL PROPERTY BREVIA_LINKS_${current})
      foreach(link IN LISTS links)
        if(link IN_LIST libraries)
          list(APPEND pending ${link})
        endif()
      endforeach()
    endwhile()
    get_property(own GLOBAL PROPERTY BREVIA_FOLDERS_${name})
    foreach(folder IN LISTS own)
      file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
      foreach(file IN LISTS files)
        file(STRINGS ${file} includes REGEX "^#include \"(engine|platform)/")
        foreach(line IN LISTS includes)
          string(REGEX REPLACE "^#include \"([^\"]*)\".*" "\\1" header "${line}")
          get_filename_component(dir ${header} DIRECTORY)
          if(NOT dir IN_LIST allowed)
            file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${file})
            message(FATAL_ERROR "${where} (${name}) includes ${header}, which is not below it")
          endif()
        endforeach()
      endforeach()
    endforeach()
  endforeach()
endfunction()

# brevia_check_folder_layers(PREFIX prefix LAYERS folder...)
# Refuses to configure when a source of one folder below prefix (viewer: the viewer's folders)
# includes a header of a folder listed after it: the folders are layers, lowest first, and none
# reaches upwards, so no two of them depend on each other.
function(brevia_check_folder_layers)
  cmake_parse_arguments(ARG "" "PREFIX" "LAYERS" ${ARGN})
  string(REPLACE ";" " < " order "${ARG_LAYERS}")
  set(below)
  foreach(folder IN LISTS ARG_LAYERS)
    list(APPEND below ${folder})
    file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${ARG_PREFIX}/${folder}/*.cpp
                                      ${PROJECT_SOURCE_DIR}/${ARG_PREFIX}/${folder}/*.h)
    foreach(file IN LISTS files)
      file(STRINGS ${file} includes REGEX "^#include \"${ARG_PREFIX}/")
      foreach(line IN LISTS includes)
        string(REGEX REPLACE "^#include \"${ARG_PREFIX}/([^/\"]*)/.*" "\\1" included "${line}")
        if(NOT included IN_LIST below)
          file(RELATIVE_PATH where ${PROJECT_SOURCE_DIR} ${file})
          message(FATAL_ERROR "${where} (${folder}) includes ${ARG_PREFIX}/${included}/, which is "
                              "not below it (${order})")
        endif()
      endforeach()
    endforeach()
  endforeach()
endfunction()

# brevia_register_tests(TARGET LABELS label... ENVIRONMENT VAR=value...)
# Every test of a GoogleTest program becomes a CTest test of its own (listed when ctest runs, so
# the build does not run the programs), labelled so that `ctest -L engine` picks a layer.
include(GoogleTest)
function(brevia_register_tests target)
  cmake_parse_arguments(ARG "" "" "LABELS;ENVIRONMENT" ${ARGN})
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    TEST_LIST ${target}_TESTS
    PROPERTIES TIMEOUT 900)
  # The discovery passes list-valued properties on flattened, so labels and environment are set
  # by a script of our own that runs after the discovered tests are added.
  # Tests that start programs, walk whole sample sets or damaged inputs, or wait on purpose
  # also carry the label slow, so `ctest -LE slow` gives a quick round.
  set(slow "Damaged|Truncated|Fuzz|^Cli|Unreachable|IdleMoments|EverySample|HyperrefManual|HugePage")
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_properties.cmake)
  file(WRITE ${script}
    "foreach(test IN LISTS ${target}_TESTS)\n"
    "  set(labels \"${ARG_LABELS}\")\n"
    "  if(test MATCHES \"${slow}\")\n"
    "    list(APPEND labels slow)\n"
    "  endif()\n"
    "  set_tests_properties(\"\${test}\" PROPERTIES LABELS \"\${labels}\" ENVIRONMENT \"${ARG_ENVIRONMENT}\")\n"
    "endforeach()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
