// Time limits of the native request stand-ins, which have no platform defaults of their
// own. The Windows program keeps the platform's defaults unless a test sets shorter ones.
#pragma once

struct RequestTimeouts {
  int connectMs = 60000;  // connecting
  int stallMs = 30000;    // a transfer that receives nothing this long ends
  bool setByTest = false;
};

RequestTimeouts CurrentRequestTimeouts();
// For tests, which cannot wait for the real limits.
void SetRequestTimeouts(const RequestTimeouts& timeouts);
