#include "support/http_server.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>

namespace http_server_io {

namespace {

SOCKET Raw(Socket s) { return static_cast<SOCKET>(s); }

sockaddr_in Loopback(int port) {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<u_short>(port));
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

Ready WaitFor(Socket s, bool forWrite, int milliseconds) {
  fd_set set;
  FD_ZERO(&set);
  FD_SET(Raw(s), &set);
  // Errors are ready too: the next read or write tells what happened.
  fd_set errors;
  FD_ZERO(&errors);
  FD_SET(Raw(s), &errors);
  timeval tv{milliseconds / 1000, (milliseconds % 1000) * 1000};
  int n = select(0, forWrite ? nullptr : &set, forWrite ? &set : nullptr, &errors, &tv);
  if (n == SOCKET_ERROR) return Ready::Failed;
  return n == 0 ? Ready::No : Ready::Yes;
}

std::string ErrorText(const char* what) { return std::string(what) + ": WSA error " + std::to_string(WSAGetLastError()); }

}  // namespace

bool Init(std::string* error) {
  // Started once for the process and never cleaned up: sockets may live until exit.
  static std::once_flag once;
  static int result = 0;
  std::call_once(once, [] {
    WSADATA data;
    result = WSAStartup(MAKEWORD(2, 2), &data);
  });
  if (result != 0) *error = "WSAStartup failed: " + std::to_string(result);
  return result == 0;
}

Socket ListenLoopback(int* port, std::string* error) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    *error = ErrorText("socket");
    return kNoSocket;
  }
  // Nobody else may take over the port while a test uses it.
  BOOL exclusive = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive), sizeof exclusive);
  sockaddr_in addr = Loopback(*port);
  int len = sizeof addr;
  if (bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(s, 64) != 0 ||
      getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len) != 0 || !SetNonBlocking(static_cast<Socket>(s))) {
    *error = ErrorText("listen on 127.0.0.1");
    closesocket(s);
    return kNoSocket;
  }
  *port = ntohs(addr.sin_port);
  return static_cast<Socket>(s);
}

Socket AcceptPending(Socket listener) {
  SOCKET s = accept(Raw(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return kNoSocket;
  if (!SetNonBlocking(static_cast<Socket>(s))) {
    closesocket(s);
    return kNoSocket;
  }
  return static_cast<Socket>(s);
}

Socket ConnectLoopback(int port) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return kNoSocket;
  sockaddr_in addr = Loopback(port);
  if (connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || !SetNonBlocking(static_cast<Socket>(s))) {
    closesocket(s);
    return kNoSocket;
  }
  return static_cast<Socket>(s);
}

bool SetNonBlocking(Socket s) {
  u_long on = 1;
  return ioctlsocket(Raw(s), FIONBIO, &on) == 0;
}

Ready WaitReadable(Socket s, int milliseconds) { return WaitFor(s, false, milliseconds); }
Ready WaitWritable(Socket s, int milliseconds) { return WaitFor(s, true, milliseconds); }

IoResult Receive(Socket s, char* buffer, size_t capacity) {
  int want = capacity > 1 << 30 ? 1 << 30 : static_cast<int>(capacity);
  int n = recv(Raw(s), buffer, want, 0);
  if (n > 0) return {Io::Done, static_cast<size_t>(n)};
  if (n == 0) return {Io::Closed, 0};
  int e = WSAGetLastError();
  if (e == WSAEWOULDBLOCK || e == WSAEINTR) return {Io::WouldBlock, 0};
  if (e == WSAECONNRESET || e == WSAECONNABORTED || e == WSAESHUTDOWN) return {Io::Closed, 0};
  return {Io::Failed, 0};
}

IoResult SendSome(Socket s, const char* data, size_t size) {
  int want = size > 1 << 30 ? 1 << 30 : static_cast<int>(size);
  int n = send(Raw(s), data, want, 0);
  if (n >= 0) return {Io::Done, static_cast<size_t>(n)};
  int e = WSAGetLastError();
  if (e == WSAEWOULDBLOCK || e == WSAEINTR) return {Io::WouldBlock, 0};
  if (e == WSAECONNRESET || e == WSAECONNABORTED || e == WSAESHUTDOWN) return {Io::Closed, 0};
  return {Io::Failed, 0};
}

void ShutdownSend(Socket s) { shutdown(Raw(s), SD_SEND); }

void Close(Socket s) {
  if (s != kNoSocket) closesocket(Raw(s));
}

}  // namespace http_server_io
