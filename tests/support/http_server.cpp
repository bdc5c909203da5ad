#include "support/http_server.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

namespace io = http_server_io;

namespace {

using Clock = std::chrono::steady_clock;

// Every wait is this short so a stop request is noticed quickly.
constexpr int kPollMs = 20;
constexpr size_t kMaxHead = 1 << 20;
constexpr size_t kMaxBody = 64u << 20;
constexpr int kMaxRequestsPerConnection = 1000;
// After our last byte, how long to wait for the client's close before closing ourselves.
// Closing with unread input would reset the connection and could cost the client our bytes.
constexpr auto kLinger = std::chrono::seconds(2);

char LowerChar(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string s) {
  for (char& c : s) c = LowerChar(c);
  return s;
}

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// Values of every header called `name` (lower case) in a head ending in CR LF CR LF.
std::vector<std::string> HeaderValues(const std::string& head, const std::string& name) {
  std::vector<std::string> values;
  size_t pos = head.find("\r\n");
  while (pos != std::string::npos && pos + 2 < head.size()) {
    size_t start = pos + 2;
    size_t end = head.find("\r\n", start);
    if (end == std::string::npos) break;
    std::string line = head.substr(start, end - start);
    size_t colon = line.find(':');
    if (colon != std::string::npos && Lower(line.substr(0, colon)) == name) {
      values.push_back(Trim(line.substr(colon + 1)));
    }
    pos = end;
  }
  return values;
}

bool HasToken(const std::string& value, const std::string& token) {
  size_t start = 0;
  while (start <= value.size()) {
    size_t comma = value.find(',', start);
    if (comma == std::string::npos) comma = value.size();
    if (Lower(Trim(value.substr(start, comma - start))) == token) return true;
    start = comma + 1;
  }
  return false;
}

// Only a single all-digit Content-Length counts; anything else is treated as no body.
bool ContentLength(const std::string& head, size_t* length) {
  std::vector<std::string> values = HeaderValues(head, "content-length");
  if (values.size() != 1 || values[0].empty() || values[0].size() > 18) return false;
  size_t n = 0;
  for (char c : values[0]) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<size_t>(c - '0');
  }
  *length = n;
  return true;
}

bool AsksToClose(const std::string& head) {
  for (const std::string& v : HeaderValues(head, "connection")) {
    if (HasToken(v, "close")) return true;
  }
  return false;
}

bool ExpectsContinue(const std::string& head) {
  for (const std::string& v : HeaderValues(head, "expect")) {
    if (HasToken(v, "100-continue")) return true;
  }
  return false;
}

// Reuse only when both sides speak HTTP/1.1, nobody asked to close, and the response's
// length is exactly what its Content-Length says; otherwise only a close ends it cleanly.
bool KeepsOpen(const std::string& request, const std::string& response) {
  size_t lineEnd = request.find("\r\n");
  std::string requestLine = request.substr(0, lineEnd);
  const std::string version = " HTTP/1.1";
  if (requestLine.size() < version.size() ||
      requestLine.compare(requestLine.size() - version.size(), version.size(), version) != 0 ||
      AsksToClose(request)) {
    return false;
  }
  size_t headEnd = response.find("\r\n\r\n");
  if (headEnd == std::string::npos) return false;
  std::string head = response.substr(0, headEnd + 4);
  size_t length = 0;
  return head.rfind("HTTP/1.1 ", 0) == 0 && !AsksToClose(head) && ContentLength(head, &length) &&
         response.size() == head.size() + length;
}

const char* ReasonPhrase(int status) {
  switch (status) {
    case 100: return "Continue";
    case 200: return "OK";
    case 201: return "Created";
    case 204: return "No Content";
    case 301: return "Moved Permanently";
    case 302: return "Found";
    case 303: return "See Other";
    case 304: return "Not Modified";
    case 307: return "Temporary Redirect";
    case 308: return "Permanent Redirect";
    case 400: return "Bad Request";
    case 401: return "Unauthorized";
    case 403: return "Forbidden";
    case 404: return "Not Found";
    case 407: return "Proxy Authentication Required";
    case 500: return "Internal Server Error";
    case 502: return "Bad Gateway";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

int WaitSlice(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, kPollMs));
}

// One accepted socket: buffered reads and whole writes, all giving up when the server stops.
class Connection {
 public:
  Connection(io::Socket s, const std::atomic<bool>& stopping) : socket_(s), stopping_(stopping) {}
  ~Connection() { io::Close(socket_); }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  std::string& Pending() { return pending_; }

  // Appends whatever arrives next; false once the peer is gone or the server stops.
  bool Fill() {
    char buffer[16384];
    while (!stopping_) {
      io::Ready ready = io::WaitReadable(socket_, kPollMs);
      if (ready == io::Ready::Failed) return false;
      if (ready == io::Ready::No) continue;
      io::IoResult got = io::Receive(socket_, buffer, sizeof buffer);
      if (got.status == io::Io::Done) {
        pending_.append(buffer, got.count);
        return true;
      }
      if (got.status != io::Io::WouldBlock) return false;
    }
    return false;
  }

  bool SendAll(const std::string& bytes, size_t count) {
    size_t sent = 0;
    while (sent < count && !stopping_) {
      io::Ready ready = io::WaitWritable(socket_, kPollMs);
      if (ready == io::Ready::Failed) return false;
      if (ready == io::Ready::No) continue;
      io::IoResult put = io::SendSome(socket_, bytes.data() + sent, count - sent);
      if (put.status == io::Io::Done) {
        sent += put.count;
      } else if (put.status != io::Io::WouldBlock) {
        return false;
      }
    }
    return sent == count;
  }

  // Our side is done: send FIN, then let the client close first, reading and dropping
  // anything it still sends.
  void Finish() {
    io::ShutdownSend(socket_);
    auto deadline = Clock::now() + kLinger;
    while (!stopping_ && Clock::now() < deadline) {
      if (!Drain()) break;
    }
  }

  // Sends nothing more until the server stops or the client goes away.
  void Stall() {
    while (!stopping_) {
      if (!Drain()) break;
    }
  }

 private:
  // One short wait for input, which is dropped; false when the connection is over.
  bool Drain() {
    io::Ready ready = io::WaitReadable(socket_, kPollMs);
    if (ready == io::Ready::Failed) return false;
    if (ready == io::Ready::No) return true;
    char buffer[4096];
    io::IoResult got = io::Receive(socket_, buffer, sizeof buffer);
    return got.status == io::Io::Done || got.status == io::Io::WouldBlock;
  }

  io::Socket socket_;
  const std::atomic<bool>& stopping_;
  std::string pending_;
};

}  // namespace

ScriptedResponse Reply(int status, std::string body, std::vector<std::string> headerLines) {
  std::string out = "HTTP/1.1 " + std::to_string(status) + " " + ReasonPhrase(status) + "\r\n";
  bool hasLength = false;
  bool hasConnection = false;
  for (const std::string& line : headerLines) {
    std::string name = Lower(line.substr(0, line.find(':')));
    hasLength = hasLength || name == "content-length";
    hasConnection = hasConnection || name == "connection";
    out += line + "\r\n";
  }
  if (!hasLength) out += "Content-Length: " + std::to_string(body.size()) + "\r\n";
  if (!hasConnection) out += "Connection: close\r\n";
  out += "\r\n";
  out += body;
  return ScriptedResponse{std::move(out)};
}

ScriptedResponse Redirect(std::string location, int status, std::vector<std::string> headerLines) {
  std::string body = "Moved to " + location + "\n";
  headerLines.insert(headerLines.begin(), "Location: " + location);
  return Reply(status, std::move(body), std::move(headerLines));
}

ScriptedResponse LargeHeadReply(int status, std::string body, std::vector<std::string> headerLines,
                                size_t minHeadBytes) {
  size_t filled = Reply(status, "").bytes.find("\r\n") + 2;  // the status line
  std::vector<std::string> lines;
  for (int i = 0; filled < minHeadBytes; ++i) {
    std::string line = "X-Padding-" + std::to_string(i) + ": " + std::string(100, static_cast<char>('a' + i % 26));
    filled += line.size() + 2;
    lines.push_back(std::move(line));
  }
  lines.insert(lines.end(), headerLines.begin(), headerLines.end());
  return Reply(status, std::move(body), std::move(lines));
}

ScriptedResponse WithFault(ScriptedResponse r, ScriptedResponse::Fault fault, size_t sendFirst) {
  r.fault = fault;
  r.sendFirst = sendFirst;
  return r;
}

struct ScriptedServer::State {
  struct Worker {
    std::thread thread;
    std::atomic<bool> done{false};
  };

  mutable std::mutex mutex;
  mutable std::condition_variable changed;
  std::deque<ScriptedResponse> script;
  ScriptedResponse fallback = Reply(404, "No scripted response left.\n");
  std::vector<std::string> requests;

  std::atomic<bool> stopping{false};
  io::Socket listener = io::kNoSocket;
  int port = 0;
  std::string error;
  std::thread acceptor;
  std::list<std::unique_ptr<Worker>> workers;  // only the acceptor touches it until it is joined

  void AcceptLoop() {
    while (!stopping) {
      JoinFinished();
      io::Ready ready = io::WaitReadable(listener, kPollMs);
      if (ready == io::Ready::Failed) std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
      if (ready != io::Ready::Yes) continue;
      io::Socket s = io::AcceptPending(listener);
      if (s == io::kNoSocket) continue;
      auto worker = std::make_unique<Worker>();
      Worker* w = worker.get();
      try {
        w->thread = std::thread([this, s, w] {
          Serve(s);
          w->done = true;
        });
      } catch (const std::system_error&) {
        io::Close(s);
        continue;
      }
      workers.push_back(std::move(worker));
    }
  }

  void JoinFinished() {
    for (auto it = workers.begin(); it != workers.end();) {
      if ((*it)->done) {
        (*it)->thread.join();
        it = workers.erase(it);
      } else {
        ++it;
      }
    }
  }

  void JoinAll() {
    for (auto& w : workers) w->thread.join();
    workers.clear();
  }

  void Serve(io::Socket s) {
    Connection c(s, stopping);
    std::string& pending = c.Pending();
    for (int served = 0; served < kMaxRequestsPerConnection; ++served) {
      size_t headEnd;
      while ((headEnd = pending.find("\r\n\r\n")) == std::string::npos) {
        if (pending.size() > kMaxHead || !c.Fill()) {
          RecordCutShort(std::move(pending));
          return;
        }
      }
      size_t headSize = headEnd + 4;
      std::string head = pending.substr(0, headSize);
      size_t bodySize = 0;
      if (!ContentLength(head, &bodySize)) bodySize = 0;
      bodySize = std::min(bodySize, kMaxBody);
      if (pending.size() < headSize + bodySize && ExpectsContinue(head)) {
        // The client holds the body back until it hears this (curl waits a second otherwise).
        const std::string goOn = "HTTP/1.1 100 Continue\r\n\r\n";
        c.SendAll(goOn, goOn.size());
      }
      while (pending.size() < headSize + bodySize) {
        if (!c.Fill()) {
          RecordCutShort(std::move(pending));
          return;
        }
      }
      std::string request = pending.substr(0, headSize + bodySize);
      pending.erase(0, headSize + bodySize);
      ScriptedResponse r = Take(request);
      size_t first = std::min(r.sendFirst, r.bytes.size());
      switch (r.fault) {
        case ScriptedResponse::Fault::None:
          if (!c.SendAll(r.bytes, r.bytes.size())) return;
          if (KeepsOpen(request, r.bytes)) continue;
          c.Finish();
          return;
        case ScriptedResponse::Fault::CloseMidBody:
          if (c.SendAll(r.bytes, first)) c.Finish();
          return;
        case ScriptedResponse::Fault::NoResponse:
          c.Finish();
          return;
        case ScriptedResponse::Fault::StallAfter:
          if (c.SendAll(r.bytes, first)) c.Stall();
          return;
        case ScriptedResponse::Fault::Stall:
          c.Stall();
          return;
      }
      return;
    }
  }

  ScriptedResponse Take(const std::string& request) {
    std::lock_guard<std::mutex> lock(mutex);
    requests.push_back(request);
    ScriptedResponse r = fallback;
    if (!script.empty()) {
      r = std::move(script.front());
      script.pop_front();
    }
    changed.notify_all();
    return r;
  }

  void RecordCutShort(std::string bytes) {
    if (bytes.empty()) return;
    std::lock_guard<std::mutex> lock(mutex);
    requests.push_back(std::move(bytes));
    changed.notify_all();
  }
};

ScriptedServer::ScriptedServer(int port) : state_(std::make_unique<State>()) {
  State& s = *state_;
  s.port = port;
  if (!io::Init(&s.error)) return;
  s.listener = io::ListenLoopback(&s.port, &s.error);
  if (s.listener == io::kNoSocket) return;
  try {
    s.acceptor = std::thread([&s] { s.AcceptLoop(); });
  } catch (const std::system_error& e) {
    s.error = std::string("accept thread: ") + e.what();
    io::Close(s.listener);
    s.listener = io::kNoSocket;
  }
}

ScriptedServer::~ScriptedServer() {
  State& s = *state_;
  s.stopping = true;
  if (s.acceptor.joinable()) s.acceptor.join();
  s.JoinAll();
  io::Close(s.listener);
}

bool ScriptedServer::Ok() const { return state_->listener != io::kNoSocket; }
std::string ScriptedServer::Error() const { return state_->error; }
int ScriptedServer::Port() const { return state_->port; }
std::string ScriptedServer::BaseUrl() const { return "http://127.0.0.1:" + std::to_string(state_->port); }

void ScriptedServer::Enqueue(ScriptedResponse r) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->script.push_back(std::move(r));
}

void ScriptedServer::SetDefault(ScriptedResponse r) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  state_->fallback = std::move(r);
}

size_t ScriptedServer::Unused() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->script.size();
}

std::vector<std::string> ScriptedServer::Requests() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->requests;
}

bool ScriptedServer::WaitForRequests(size_t n, std::chrono::milliseconds limit) const {
  std::unique_lock<std::mutex> lock(state_->mutex);
  return state_->changed.wait_for(lock, limit, [&] { return state_->requests.size() >= n; });
}

RawClient::RawClient(int port) : socket_(io::kNoSocket) {
  std::string error;
  if (io::Init(&error)) socket_ = io::ConnectLoopback(port);
}

RawClient::~RawClient() { Close(); }

bool RawClient::Connected() const { return socket_ != io::kNoSocket; }
bool RawClient::PeerClosed() const { return peerClosed_; }

void RawClient::Close() {
  io::Close(socket_);
  socket_ = io::kNoSocket;
}

bool RawClient::Send(const std::string& bytes, std::chrono::milliseconds limit) {
  auto deadline = Clock::now() + limit;
  size_t sent = 0;
  while (Connected() && sent < bytes.size() && Clock::now() < deadline) {
    io::Ready ready = io::WaitWritable(socket_, WaitSlice(deadline));
    if (ready == io::Ready::Failed) return false;
    if (ready == io::Ready::No) continue;
    io::IoResult put = io::SendSome(socket_, bytes.data() + sent, bytes.size() - sent);
    if (put.status == io::Io::Done) {
      sent += put.count;
    } else if (put.status != io::Io::WouldBlock) {
      peerClosed_ = true;
      return false;
    }
  }
  return sent == bytes.size();
}

std::string RawClient::Read(std::chrono::milliseconds limit, size_t atMost) {
  auto deadline = Clock::now() + limit;
  std::string out;
  char buffer[16384];
  while (Connected() && !peerClosed_ && out.size() < atMost && Clock::now() < deadline) {
    io::Ready ready = io::WaitReadable(socket_, WaitSlice(deadline));
    if (ready == io::Ready::Failed) break;
    if (ready == io::Ready::No) continue;
    io::IoResult got = io::Receive(socket_, buffer, std::min(sizeof buffer, atMost - out.size()));
    if (got.status == io::Io::Done) {
      out.append(buffer, got.count);
    } else if (got.status != io::Io::WouldBlock) {
      peerClosed_ = true;
    }
  }
  return out;
}

RawReply RawExchange(int port, const std::string& request, std::chrono::milliseconds limit) {
  auto deadline = Clock::now() + limit;
  RawClient client(port);
  RawReply reply;
  reply.connected = client.Connected();
  if (!reply.connected) return reply;
  client.Send(request, limit);
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  reply.bytes = client.Read(std::max(left, std::chrono::milliseconds(0)));
  reply.peerClosed = client.PeerClosed();
  return reply;
}
