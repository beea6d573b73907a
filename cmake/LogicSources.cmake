# The sources that need no window (no windows.h): the program's decisions and parsers of outside
# input, and the setup plugin's. Each layer's library compiles its own list with the rest of its
# code; tests/native unit-tests and tests/fuzz fuzzes all of them with the host compiler. Included
# by each of those builds, so that a file added here is built, tested and fuzzed alike.
get_filename_component(PARCELO_LOGIC_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

set(PARCELO_APP_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/app/CommandLine.cpp
  ${PARCELO_LOGIC_ROOT}/app/HiddenAgent.cpp
)
set(PARCELO_UI_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/ui/AnnounceGate.cpp
  ${PARCELO_LOGIC_ROOT}/ui/DropLayout.cpp
  ${PARCELO_LOGIC_ROOT}/ui/PixelImage.cpp
  ${PARCELO_LOGIC_ROOT}/ui/PngImage.cpp
  ${PARCELO_LOGIC_ROOT}/ui/StatusText.cpp
)
set(PARCELO_AGENT_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/agent/HungCall.cpp
  ${PARCELO_LOGIC_ROOT}/agent/NotificationCheck.cpp
  ${PARCELO_LOGIC_ROOT}/agent/ServerPath.cpp
  ${PARCELO_LOGIC_ROOT}/agent/SizeCheckPath.cpp
  ${PARCELO_LOGIC_ROOT}/agent/StatusTable.cpp
  ${PARCELO_LOGIC_ROOT}/agent/UpgradeReminder.cpp
  ${PARCELO_LOGIC_ROOT}/agent/VersionGate.cpp
)
set(PARCELO_DROP_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/drop/DropFileList.cpp
  ${PARCELO_LOGIC_ROOT}/drop/DroppedText.cpp
)
set(PARCELO_SETTINGS_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/settings/ProxyAddress.cpp
  ${PARCELO_LOGIC_ROOT}/settings/RegistryValue.cpp
)
set(PARCELO_LOGIC_SOURCES
  ${PARCELO_APP_LOGIC_SOURCES} ${PARCELO_UI_LOGIC_SOURCES} ${PARCELO_AGENT_LOGIC_SOURCES}
  ${PARCELO_DROP_LOGIC_SOURCES} ${PARCELO_SETTINGS_LOGIC_SOURCES}
)

# The setup plugin's (it links agent/ServerPath.cpp from the agent layer's library).
set(PARCELO_SETUP_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/installer/plugin/AgentLookup.cpp
  ${PARCELO_LOGIC_ROOT}/installer/plugin/Elevation.cpp
  ${PARCELO_LOGIC_ROOT}/installer/plugin/StartupMark.cpp
)

# The Local Locker's (the stand-in agent's) names and file signatures.
set(PARCELO_STANDIN_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/standin/LockerNames.cpp
)

# parcelo_layer(NAME SOURCES... LINKS libraries...): one layer of the program as a static library,
# linked to the layers below it only, so that a call upward fails to link.
function(parcelo_layer name)
  cmake_parse_arguments(PL "" "" "SOURCES;LINKS" ${ARGN})
  add_library(${name} STATIC ${PL_SOURCES})
  target_include_directories(${name} PUBLIC ${PARCELO_LOGIC_ROOT})
  target_compile_options(${name} PRIVATE ${PARCELO_WARNINGS})
  target_link_libraries(${name} PUBLIC ${PL_LINKS})
  # The layer alone, as a DLL that must resolve every call it makes: a call to a layer above,
  # which a static program link would let pass, fails to link here.
  add_library(${name}_check SHARED ${PARCELO_LOGIC_ROOT}/cmake/LayerCheck.cpp)
  target_link_libraries(${name}_check PRIVATE "$<LINK_LIBRARY:WHOLE_ARCHIVE,${name}>")
endfunction()
