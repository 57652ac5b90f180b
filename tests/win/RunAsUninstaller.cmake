# Runs the test program as Uninstall.exe beside an Uninstall.dat.
file(REMOVE_RECURSE ${DIR})
file(MAKE_DIRECTORY ${DIR})
file(COPY_FILE ${EXE} ${DIR}/Uninstall.exe)
file(COPY_FILE ${DAT} ${DIR}/Uninstall.dat)
execute_process(COMMAND ${LAUNCHER} ${DIR}/Uninstall.exe --gtest_filter=UninstallerRole.*
                RESULT_VARIABLE result)
file(REMOVE_RECURSE ${DIR})
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Uninstall.exe role tests failed (${result})")
endif()
