# Test tools that need no GoogleTest, for the tests and the benchmarks alike (the benchmarks
# are built with the tests off too): a real drag of any data, the shared DROPFILES builder,
# files and texts, facts about windows, the probe of a window's answers, and the stand-in
# agent's script.
add_library(parcelo_test_tools STATIC
  ${CMAKE_CURRENT_LIST_DIR}/fakes/DragSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/AgentScript.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/AnswerProbe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/DropFilesBlock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/Files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/support/WindowFacts.cpp)
target_include_directories(parcelo_test_tools PUBLIC ${PROJECT_SOURCE_DIR})
target_compile_options(parcelo_test_tools PRIVATE ${PARCELO_WARNINGS})
target_link_libraries(parcelo_test_tools PUBLIC parcelo_win ole32 uuid user32 gdi32 shell32)
