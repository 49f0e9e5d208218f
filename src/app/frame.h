// The application frame: start and end of the process, the event loop, nested
// event processing, the fatal stop and the program-wide notice text.
#pragma once

#include <optional>

#include "platform/text.h"

namespace app {

using platform::Text;

// The entry routine: runs the start order and gives the exit code.
int RunProgram();

// Dispatches every event already queued, never waits, and leaves a queued quit
// request for the event loop.
void ProcessPendingEvents();

// Shows the fatal error box and ends the process with exit code -1 without
// running ExitCleanup. Code 0 means no code.
[[noreturn]] void FatalStop(const Text& message, int code);
Text FatalStopBoxText(const Text& message, int code);

// The notice file's body once the status check has asked for it.
const std::optional<Text>& NoticeText();
void ReplaceNoticeText(Text text);

// Releases NoticeText; runs at most once, on the orderly end.
void ExitCleanup();

// Told by the platform whenever a window of the system has been destroyed.
void OnWindowDestroyed();

namespace testing {
// Puts the frame back into its state at process start.
void ResetFrame();
int ExitCleanupRuns();
bool EventLoopStarted();
}  // namespace testing

}  // namespace app
