// A scripted HTTP server on 127.0.0.1 for tests: records the raw bytes of every request and
// answers with the bytes the test queued, optionally misbehaving on purpose.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ScriptedResponse {
  enum class Fault {
    None,          // send the bytes; close unless they allow keep-alive
    Stall,         // read the request, then send nothing until the server stops
    CloseMidBody,  // send only the first `sendFirst` bytes, then close
    NoResponse,    // close right after reading the request
    StallAfter,    // send the first `sendFirst` bytes, then send nothing until the server stops
  };
  std::string bytes;  // status line, headers and body, sent exactly as given
  Fault fault = Fault::None;
  size_t sendFirst = 0;
};

// HTTP/1.1 response with the given header lines (no CR LF at their ends), then
// Content-Length and "Connection: close" unless the given lines already carry them.
ScriptedResponse Reply(int status, std::string body, std::vector<std::string> headerLines = {});
ScriptedResponse Redirect(std::string location, int status = 302,
                          std::vector<std::string> headerLines = {});
// Filler headers take up the first minHeadBytes of the head; the given lines come after them,
// beyond what a small fixed header buffer holds.
ScriptedResponse LargeHeadReply(int status, std::string body, std::vector<std::string> headerLines = {},
                                size_t minHeadBytes = 6000);
ScriptedResponse WithFault(ScriptedResponse r, ScriptedResponse::Fault fault, size_t sendFirst = 0);

// Serves each connection on its own thread, so one stalled client does not hold up the next.
// A connection is closed after its response unless the response is HTTP/1.1 with a
// Content-Length and without "Connection: close" and the request did not ask to close;
// then further requests on it are served from the script too.
// A request whose head asks "Expect: 100-continue" gets "HTTP/1.1 100 Continue" before its body.
class ScriptedServer {
 public:
  // Binds 127.0.0.1 on port (0: one the system picks) and starts accepting. A fixed port
  // is for a program under test whose site address is built in.
  explicit ScriptedServer(int port = 0);
  ~ScriptedServer(); // stops, ends stalls, joins every thread
  ScriptedServer(const ScriptedServer&) = delete;
  ScriptedServer& operator=(const ScriptedServer&) = delete;

  bool Ok() const;            // false when the socket could not be set up; Error() says why
  std::string Error() const;
  int Port() const;
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT"

  // Responses are used in order, one per request; when none is left the default answers
  // (at first a 404 with a short body).
  void Enqueue(ScriptedResponse r);
  void SetDefault(ScriptedResponse r);
  size_t Unused() const;  // queued responses not handed out yet

  // Raw bytes of every request so far, in arrival order: request line, headers and the body
  // read by Content-Length. A request cut short by the client closing is recorded as far as it
  // came, and takes no response from the script.
  std::vector<std::string> Requests() const;
  bool WaitForRequests(size_t n, std::chrono::milliseconds limit) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Bare TCP client for poking the server byte by byte.
class RawClient {
 public:
  explicit RawClient(int port);  // connects to 127.0.0.1:port
  ~RawClient();
  RawClient(const RawClient&) = delete;
  RawClient& operator=(const RawClient&) = delete;

  bool Connected() const;
  bool Send(const std::string& bytes, std::chrono::milliseconds limit);
  // Returns once atMost bytes came, the peer closed, or the limit passed.
  std::string Read(std::chrono::milliseconds limit, size_t atMost = SIZE_MAX);
  bool PeerClosed() const;  // the peer closed or reset the connection
  void Close();

 private:
  std::intptr_t socket_;
  bool peerClosed_ = false;
};

struct RawReply {
  bool connected = false;
  bool peerClosed = false;  // false: the limit ran out first
  std::string bytes;
};
// Connects, sends the request, and reads until the server closes or the limit passes.
RawReply RawExchange(int port, const std::string& request, std::chrono::milliseconds limit);

// Socket layer, one implementation per platform (http_server_posix.cpp / http_server_win.cpp).
namespace http_server_io {

using Socket = std::intptr_t;
inline constexpr Socket kNoSocket = -1;

enum class Io { Done, WouldBlock, Closed, Failed };
struct IoResult {
  Io status;
  size_t count;
};
enum class Ready { Yes, No, Failed };

bool Init(std::string* error);
// Listens on 127.0.0.1 at *port, or a port the system picks when it is 0 (written back);
// non-blocking.
Socket ListenLoopback(int* port, std::string* error);
Socket AcceptPending(Socket listener);  // kNoSocket when nobody is waiting
Socket ConnectLoopback(int port);       // blocking connect, then non-blocking
bool SetNonBlocking(Socket s);
Ready WaitReadable(Socket s, int milliseconds);
Ready WaitWritable(Socket s, int milliseconds);
IoResult Receive(Socket s, char* buffer, size_t capacity);
IoResult SendSome(Socket s, const char* data, size_t size);
void ShutdownSend(Socket s);
void Close(Socket s);

}  // namespace http_server_io
