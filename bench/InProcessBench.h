// The figures inproc_bench measures, each Parcelo against the least code that does the same.
#pragma once

#include <cstddef>

struct AgentChoice;

// IDropTarget::Drop of a CF_HDROP list, until every item reached the agent.
int RunDrop(const AgentChoice& agent, const size_t sizes[2], bool real, int rounds);
// The same drop of real files from a network or removable drive against the fixed drive.
int RunDriveDrop(const wchar_t* root, const size_t sizes[2], int rounds);
// Status 19 until the held items have gone, and the window's answers meanwhile.
int RunReplay(const AgentChoice& agent, const size_t sizes[2], int rounds);
// A real DoDragDrop: when the source is released, how the window answers after.
int RunRelease(const size_t sizes[2], int rounds);
// RedrawWindow with both status lines.
int RunPaint(int repaints, int runs);
// Diagnostics: round trips and size checks; one item's way in three forms.
int RunCalls(int count);
int RunPaths(int items, int batches);
