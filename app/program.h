// The process around the program's entry sequence: the framework's start,
// the process-level error report, and the shutdown order.
#pragma once

// Runs `entry` between the framework's start and its shutdown.
// Returns the process exit code: 0, or 1 when `entry` let an exception out.
int RunProgram(void (*entry)());
