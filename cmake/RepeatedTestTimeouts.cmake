# Read by CTest, not CMake: the build tree's CTestTestfile.cmake includes it
# before any test is defined.  When GTEST_REPEAT=n (n > 1) is set for the
# run, each test program runs n times, so every test's TIMEOUT is taken n
# times.  The end-to-end scripts scale their own caps the same way
# (qv_test_deadline in tools/wine-env.sh).
get_property(scaled GLOBAL PROPERTY QV_REPEATED_TEST_TIMEOUTS)
if(NOT scaled AND "$ENV{GTEST_REPEAT}" MATCHES "^[0-9]+$" AND "$ENV{GTEST_REPEAT}" GREATER 1)
  set_property(GLOBAL PROPERTY QV_REPEATED_TEST_TIMEOUTS ON)
  function(set_tests_properties)
    # Each argument as it was given (a value may hold a list), bracket-quoted.
    set(call "_set_tests_properties(")
    set(timeout_next FALSE)
    math(EXPR last "${ARGC} - 1")
    foreach(i RANGE ${last})
      set(arg "${ARGV${i}}")
      if(timeout_next)
        math(EXPR arg "${arg} * $ENV{GTEST_REPEAT}")
      endif()
      string(COMPARE EQUAL "${arg}" "TIMEOUT" timeout_next)
      string(APPEND call " [==[${arg}]==]")
    endforeach()
    cmake_language(EVAL CODE "${call})")
  endfunction()
endif()
