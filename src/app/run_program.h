#pragma once
// Start-up, the event loop with its dispatch table, and shutdown.
#include "app/app_event.h"
#include "platform/platform.h"

namespace pigmora {

struct Program;

// Start-up steps up to the loop. false when the program must end (the fatal alert was shown).
bool StartUp(Program& program);
// One row of the dispatch table.
void DispatchAppEvent(Program& program, const AppEvent& event);
// Handles every queued event without waiting for more; for callers that drive the loop by hand.
void DispatchQueuedEvents(Program& program);
void QuitProgram(Program& program);
// Start-up, then the loop until QuitProgram. The process's exit status.
int RunProgram(platform::Platform& platform);

}  // namespace pigmora
