# The setup's signing hook with a stand-in signer that records each path it is given: the three
# programs before they are packed, then the uninstaller makensis writes, then the setup.
#   cmake -DMAKENSIS=... -DPARCELO_EXE=... -DAGENT_EXE=... -DPLUGIN_DLL=... -DSCRIPT=... -DPACKAGE=...
#         -DWORK=<scratch folder> -P SigningTest.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
set(log "${WORK}/signed.log")
file(WRITE "${WORK}/signer.sh" "printf '%s\\n' \"$1\" >> '${log}'\n")
set(ENV{PARCELO_SIGN} "sh ${WORK}/signer.sh")
execute_process(COMMAND "${CMAKE_COMMAND}" -DMAKENSIS=${MAKENSIS} -DVERSION=1.0.0 -DSTAGE=${WORK}/files
                        -DPARCELO_EXE=${PARCELO_EXE} -DAGENT_EXE=${AGENT_EXE} -DPLUGIN_DLL=${PLUGIN_DLL}
                        -DOUT_FILE=${WORK}/setup.exe -DSCRIPT=${SCRIPT} -P ${PACKAGE}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "packing with the stand-in signer failed: ${result}")
endif()

file(STRINGS "${log}" signed)
list(LENGTH signed count)
if(NOT count EQUAL 5)
  message(FATAL_ERROR "5 files signed expected, got ${count}: ${signed}")
endif()
set(expected "${WORK}/files/parcelo.exe" "${WORK}/files/UploadAgent.exe" "${WORK}/files/plugin/ParceloSetup.dll")
foreach(i 0 1 2)
  list(GET signed ${i} got)
  list(GET expected ${i} want)
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "signed as file ${i}: ${got}, expected ${want}")
  endif()
endforeach()
# The uninstaller is signed where makensis keeps it while it packs it, so its name is makensis's.
list(GET signed 3 uninstaller)
list(GET signed 4 setup)
if(uninstaller STREQUAL "${WORK}/setup.exe" OR NOT setup STREQUAL "${WORK}/setup.exe")
  message(FATAL_ERROR "the uninstaller and then the setup expected, got ${uninstaller} and ${setup}")
endif()
