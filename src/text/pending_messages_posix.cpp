#include "text/pending_messages.h"

// No window messages off Windows.
void ProcessPendingMessages() {}
