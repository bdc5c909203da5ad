// Lets the calling thread's pending window messages be handled (a no-op off Windows).
#pragma once

void ProcessPendingMessages();
