#include "support/http_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace http_server_io {

namespace {

// A client that has gone away must not kill the test process with SIGPIPE.
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

Ready WaitFor(Socket s, short events, int milliseconds) {
  pollfd p{static_cast<int>(s), events, 0};
  int n = poll(&p, 1, milliseconds);
  if (n < 0) return errno == EINTR ? Ready::No : Ready::Failed;
  if (n == 0) return Ready::No;
  // Hang-up and errors count as ready: the next read or write tells which.
  return Ready::Yes;
}

}  // namespace

bool Init(std::string*) { return true; }

Socket ListenLoopback(int* port, std::string* error) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return kNoSocket;
  }
  sockaddr_in addr = Loopback(*port);
  socklen_t len = sizeof addr;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 64) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || !SetNonBlocking(s)) {
    *error = std::string("listen on 127.0.0.1: ") + std::strerror(errno);
    close(s);
    return kNoSocket;
  }
  *port = ntohs(addr.sin_port);
  return s;
}

Socket AcceptPending(Socket listener) {
  int s = accept(static_cast<int>(listener), nullptr, nullptr);
  if (s < 0) return kNoSocket;
  if (!SetNonBlocking(s)) {
    close(s);
    return kNoSocket;
  }
  return s;
}

Socket ConnectLoopback(int port) {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  if (s < 0) return kNoSocket;
  sockaddr_in addr = Loopback(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || !SetNonBlocking(s)) {
    close(s);
    return kNoSocket;
  }
  return s;
}

bool SetNonBlocking(Socket s) {
  int flags = fcntl(static_cast<int>(s), F_GETFL, 0);
  return flags >= 0 && fcntl(static_cast<int>(s), F_SETFL, flags | O_NONBLOCK) == 0;
}

Ready WaitReadable(Socket s, int milliseconds) { return WaitFor(s, POLLIN, milliseconds); }
Ready WaitWritable(Socket s, int milliseconds) { return WaitFor(s, POLLOUT, milliseconds); }

IoResult Receive(Socket s, char* buffer, size_t capacity) {
  ssize_t n = recv(static_cast<int>(s), buffer, capacity, 0);
  if (n > 0) return {Io::Done, static_cast<size_t>(n)};
  if (n == 0) return {Io::Closed, 0};
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return {Io::WouldBlock, 0};
  if (errno == ECONNRESET) return {Io::Closed, 0};
  return {Io::Failed, 0};
}

IoResult SendSome(Socket s, const char* data, size_t size) {
  ssize_t n = send(static_cast<int>(s), data, size, kSendFlags);
  if (n >= 0) return {Io::Done, static_cast<size_t>(n)};
  if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return {Io::WouldBlock, 0};
  if (errno == ECONNRESET || errno == EPIPE) return {Io::Closed, 0};
  return {Io::Failed, 0};
}

void ShutdownSend(Socket s) { shutdown(static_cast<int>(s), SHUT_WR); }

void Close(Socket s) {
  if (s != kNoSocket) close(static_cast<int>(s));
}

}  // namespace http_server_io
