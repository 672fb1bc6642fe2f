# Read by cpack before each generator runs. Without dpkg-shlibdeps, CPack
# would quietly make a .deb that depends on nothing.
cmake_policy(VERSION 3.25)
if(CPACK_GENERATOR STREQUAL "DEB")
    find_program(PARENCHECK_SHLIBDEPS dpkg-shlibdeps)
    if(NOT PARENCHECK_SHLIBDEPS)
        message(FATAL_ERROR "dpkg-shlibdeps is missing, and the package's dependencies with it: apt-get install dpkg-dev")
    endif()
endif()
