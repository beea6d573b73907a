# Makes the setup: copies the programs into a folder of their own, signs each copy when the
# environment names a signing command, then runs makensis on the copies, which signs the
# uninstaller it writes and the setup itself through the same command. Run by the build
# (installer/CMakeLists.txt) as
#   cmake -DMAKENSIS=... -DVERSION=... -DSTAGE=<folder> -DPARCELO_EXE=... -DAGENT_EXE=...
#         -DPLUGIN_DLL=... -DOUT_FILE=... -DSCRIPT=<parcelo.nsi> -P Package.cmake
#
# PARCELO_SIGN: a command line that signs the file whose path is added to it, e.g.
#   PARCELO_SIGN='osslsigncode-wrapper.sh' or PARCELO_SIGN='signtool sign /a /fd sha256 /tr http://timestamp.example /td sha256'
# It must end with exit code 0. Without it nothing is signed.
set(sign "$ENV{PARCELO_SIGN}")

file(REMOVE_RECURSE "${STAGE}")
file(MAKE_DIRECTORY "${STAGE}/plugin")
file(COPY "${PARCELO_EXE}" "${AGENT_EXE}" DESTINATION "${STAGE}")
file(COPY "${PLUGIN_DLL}" DESTINATION "${STAGE}/plugin")
get_filename_component(parcelo_name "${PARCELO_EXE}" NAME)
get_filename_component(agent_name "${AGENT_EXE}" NAME)
get_filename_component(plugin_name "${PLUGIN_DLL}" NAME)

set(nsis_sign)
if(sign)
  separate_arguments(sign_command NATIVE_COMMAND "${sign}")
  foreach(file "${STAGE}/${parcelo_name}" "${STAGE}/${agent_name}" "${STAGE}/plugin/${plugin_name}")
    execute_process(COMMAND ${sign_command} "${file}" RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
      message(FATAL_ERROR "PARCELO_SIGN failed (${result}) for ${file}")
    endif()
  endforeach()
  set(nsis_sign "-DSIGN_COMMAND=${sign}")
endif()

execute_process(COMMAND "${MAKENSIS}" -V2 "-DVERSION=${VERSION}" "-DPARCELO_EXE=${STAGE}/${parcelo_name}"
                        "-DAGENT_EXE=${STAGE}/${agent_name}" "-DPLUGIN_DIR=${STAGE}/plugin" "-DOUT_FILE=${OUT_FILE}"
                        ${nsis_sign} "${SCRIPT}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "makensis failed (${result})")
endif()
