# Included by CTest before it runs anything (a TEST_INCLUDE_FILES entry that plinkett_gtest
# writes for a BY_SUITE program): one CTest test for each suite that the program itself lists,
# so that a suite added to the sources runs with no other change. Set before: program,
# emulator, environment (the tests' ENVIRONMENT) and properties (more of set_tests_properties).
execute_process(COMMAND ${emulator} ${program} --gtest_list_tests
                OUTPUT_VARIABLE listed RESULT_VARIABLE failed ERROR_QUIET)
string(REPLACE "\r" "" listed "${listed}")
string(REGEX MATCHALL "(^|\n)[^ \n][^\n]*" suites "${listed}")
set(registered "")
if(failed EQUAL 0)
  foreach(line ${suites})
    # "Suite." or, for parameterised and typed tests, "Prefix/Suite." and a comment; nothing
    # else that the program prints.
    if(line MATCHES "^\n?([A-Za-z0-9_/]+)\\.(  #.*)?$")
      set(suite ${CMAKE_MATCH_1})
      list(FIND registered ${suite} known) # CTest's scripts have no IN_LIST
      if(known EQUAL -1)
        list(APPEND registered ${suite})
        add_test(${suite} ${emulator} ${program} --gtest_filter=${suite}.*)
      endif()
    endif()
  endforeach()
endif()
# A program that cannot say its suites runs whole, as one test, and fails as it would.
if(registered STREQUAL "")
  get_filename_component(registered ${program} NAME_WE)
  add_test(${registered} ${emulator} ${program})
endif()
set_tests_properties(${registered} PROPERTIES ENVIRONMENT "${environment}" ${properties})
