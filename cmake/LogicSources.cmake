# The sources that need no window (no windows.h): the program's decisions and parsers of outside
# input, and the setup plugin's. The program and the setup plugin compile them with the rest of
# their code; tests/native unit-tests and tests/fuzz fuzzes them with the host compiler. Included
# by each of those builds, so that a file added here is built, tested and fuzzed alike.
get_filename_component(PARCELO_LOGIC_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)

set(PARCELO_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/agent/HungCall.cpp
  ${PARCELO_LOGIC_ROOT}/agent/NotificationCheck.cpp
  ${PARCELO_LOGIC_ROOT}/agent/ServerPath.cpp
  ${PARCELO_LOGIC_ROOT}/agent/SizeCheckPath.cpp
  ${PARCELO_LOGIC_ROOT}/agent/StatusTable.cpp
  ${PARCELO_LOGIC_ROOT}/agent/UpgradeReminder.cpp
  ${PARCELO_LOGIC_ROOT}/agent/VersionGate.cpp
  ${PARCELO_LOGIC_ROOT}/app/CommandLine.cpp
  ${PARCELO_LOGIC_ROOT}/app/HiddenAgent.cpp
  ${PARCELO_LOGIC_ROOT}/drop/DropFileList.cpp
  ${PARCELO_LOGIC_ROOT}/drop/DroppedText.cpp
  ${PARCELO_LOGIC_ROOT}/settings/ProxyAddress.cpp
  ${PARCELO_LOGIC_ROOT}/settings/RegistryValue.cpp
  ${PARCELO_LOGIC_ROOT}/ui/AnnounceGate.cpp
  ${PARCELO_LOGIC_ROOT}/ui/DropLayout.cpp
  ${PARCELO_LOGIC_ROOT}/ui/PixelImage.cpp
  ${PARCELO_LOGIC_ROOT}/ui/PngImage.cpp
  ${PARCELO_LOGIC_ROOT}/ui/StatusText.cpp
)

# The setup plugin's (it also takes agent/ServerPath.cpp from the list above).
set(PARCELO_SETUP_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/installer/plugin/AgentLookup.cpp
  ${PARCELO_LOGIC_ROOT}/installer/plugin/Elevation.cpp
  ${PARCELO_LOGIC_ROOT}/installer/plugin/StartupMark.cpp
)

# The Local Locker's (the stand-in agent's) names and file signatures.
set(PARCELO_STANDIN_LOGIC_SOURCES
  ${PARCELO_LOGIC_ROOT}/standin/LockerNames.cpp
)
