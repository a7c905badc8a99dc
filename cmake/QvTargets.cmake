# Settings every target of ours shares, and the helper that makes a test.
add_library(qv_options INTERFACE)
target_compile_definitions(qv_options INTERFACE UNICODE _UNICODE NOMINMAX
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800)
target_compile_options(qv_options INTERFACE
  $<$<COMPILE_LANGUAGE:CXX>:-Wall -Wextra -Werror=conditionally-supported
  -Werror=return-type -fno-strict-aliasing>)
target_include_directories(qv_options INTERFACE ${CMAKE_SOURCE_DIR})

# qv_add_test(name SOURCES a.cpp ... LIBS lib ... [GUI])
# A GoogleTest program run through Wine by CTest.  GUI tests need DISPLAY and
# are kept from running in parallel with each other.
function(qv_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} qv_options GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
  if(T_GUI)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK display LABELS gui)
  endif()
endfunction()

# qv_script_test_timeout(name seconds)
# The TIMEOUT of a test whose script starts Wine itself: the script learns it
# (QV_TEST_TIMEOUT) so as to end its prefix's processes in time, since CTest
# ends a test that runs over with SIGKILL.
function(qv_script_test_timeout name seconds)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${seconds})
  set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT QV_TEST_TIMEOUT=${seconds})
endfunction()

# A run with GTEST_REPEAT=n allows each test n times its TIMEOUT.
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY TEST_INCLUDE_FILES
  ${CMAKE_CURRENT_LIST_DIR}/RepeatedTestTimeouts.cmake)

# qv_add_tests_in(dir prefix LIBS lib ...)
# Every dir/*_test.cpp becomes a test program of its own; *_guitest.cpp ones
# are GUI tests.
function(qv_add_tests_in dir prefix)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  file(GLOB tests CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  foreach(test ${tests})
    get_filename_component(name ${test} NAME_WE)
    qv_add_test(${prefix}_${name} SOURCES ${test} LIBS ${T_LIBS})
  endforeach()
  file(GLOB guitests CONFIGURE_DEPENDS ${dir}/*_guitest.cpp)
  foreach(test ${guitests})
    get_filename_component(name ${test} NAME_WE)
    qv_add_test(${prefix}_${name} SOURCES ${test} LIBS ${T_LIBS} GUI)
  endforeach()
endfunction()
