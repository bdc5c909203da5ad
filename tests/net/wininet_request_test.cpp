// The WinINet request on the wire, against the scripted server: WinINet under Wine in the
// Windows build, libcurl natively. Only the bytes our code controls are compared exactly.
#include "net/wininet_request.h"

#include <gtest/gtest.h>

#include <chrono>

#include "net/request_timeouts.h"
#include "support/http_server.h"

namespace {

using namespace std::chrono_literals;

// The request head split into its request line and header lines.
struct SentRequest {
  std::string requestLine;
  std::vector<std::string> lines;
  std::string body;
};

SentRequest Parse(const std::string& raw) {
  SentRequest sent;
  size_t headEnd = raw.find("\r\n\r\n");
  std::string head = raw.substr(0, headEnd);
  sent.body = headEnd == std::string::npos ? "" : raw.substr(headEnd + 4);
  size_t start = 0;
  bool first = true;
  while (start <= head.size()) {
    size_t end = head.find("\r\n", start);
    if (end == std::string::npos) end = head.size();
    std::string line = head.substr(start, end - start);
    if (first) {
      sent.requestLine = line;
      first = false;
    } else {
      sent.lines.push_back(line);
    }
    start = end + 2;
  }
  return sent;
}

// Lines that the platform adds on its own: only their presence may differ between
// WinINet and libcurl.
bool IsPlatformLine(const std::string& line) {
  for (const char* name : {"Host:", "Connection:", "Cache-Control:", "Pragma:", "Content-Length:", "Accept-Encoding:"}) {
    if (line.rfind(name, 0) == 0) return true;
  }
  return false;
}

std::vector<std::string> OurLines(const SentRequest& sent) {
  std::vector<std::string> ours;
  for (const std::string& line : sent.lines) {
    if (!IsPlatformLine(line) && line.rfind("User-Agent:", 0) != 0) ours.push_back(line);
  }
  return ours;
}

std::string HeaderValue(const SentRequest& sent, const std::string& name) {
  for (const std::string& line : sent.lines) {
    if (line.rfind(name + ":", 0) == 0) {
      std::string value = line.substr(name.size() + 1);
      return value.substr(value.find_first_not_of(' ') == std::string::npos ? value.size() : value.find_first_not_of(' '));
    }
  }
  return "<none>";
}

class WinInetRequestTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.Ok()) << server_.Error(); }
  ScriptedServer server_;
};

TEST_F(WinInetRequestTest, SearchJobCallSendsTheFourDefaultLines) {
  std::string body("page\0with zero", 14);
  server_.Enqueue(Reply(200, body));
  const std::string url = server_.BaseUrl() + "/search-all-abc-1/";
  WinInetRequest request;
  request.cookies = Text();
  Bytes got = HttpRequestWinInet(url, request);
  EXPECT_EQ(got, body);
  ASSERT_TRUE(server_.WaitForRequests(1, 5s));
  SentRequest sent = Parse(server_.Requests()[0]);
  EXPECT_EQ(sent.requestLine, "GET /search-all-abc-1/ HTTP/1.1");
  EXPECT_EQ(HeaderValue(sent, "User-Agent"), "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
  EXPECT_EQ(OurLines(sent), (std::vector<std::string>{"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                                                      "Content-Type: application/x-www-form-urlencoded"}));
  EXPECT_NE(HeaderValue(sent, "Host"), "<none>");
  EXPECT_EQ(request.headers, "Accept: */*\r\nReferer: " + url +
                                 "\r\nAccept-Language: zh-cn\r\nContent-Type: application/x-www-form-urlencoded");
}

TEST_F(WinInetRequestTest, PostFillsPostBytesAndSendsThem) {
  server_.Enqueue(Reply(200, "ok"));
  WinInetRequest request;
  request.method = 1;
  request.postText = "k=v";
  EXPECT_EQ(HttpRequestWinInet(server_.BaseUrl() + "/form", request), "ok");
  EXPECT_EQ(request.postBytes, "k=v");
  ASSERT_TRUE(server_.WaitForRequests(1, 5s));
  SentRequest sent = Parse(server_.Requests()[0]);
  EXPECT_EQ(sent.requestLine, "POST /form HTTP/1.1");
  EXPECT_EQ(sent.body, "k=v");
}

TEST_F(WinInetRequestTest, CookiesGoOutAndComeBackMerged) {
  const struct {
    bool giveJar;
    Text jar;
    Text cookieLine;
    Text responseCookies;
    Text jarAfter;
  } cases[] = {
      {false, "", "<none>", "a=1; b=2", ""},
      {true, "", "<none>", "a=1;b=2;", "a=1;b=2;"},
      {true, "z=9; a=0", "z=9; a=0", "z=9;a=1;b=2;", "z=9;a=1;b=2;"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.jar);
    ScriptedServer server;
    server.Enqueue(Reply(200, "x", {"Set-Cookie: a=1; path=/", "set-cookie: b=2"}));
    WinInetRequest request;
    if (c.giveJar) request.cookies = c.jar;
    HttpRequestWinInet(server.BaseUrl() + "/", request);
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    EXPECT_EQ(HeaderValue(Parse(server.Requests()[0]), "Cookie"), c.cookieLine);
    EXPECT_EQ(request.responseCookies, c.responseCookies);
    if (c.giveJar) {
      EXPECT_EQ(*request.cookies, c.jarAfter);
    }
  }
}

TEST_F(WinInetRequestTest, RedirectsAreFollowedUnlessNoRedirect) {
  for (bool noRedirect : {false, true}) {
    SCOPED_TRACE(noRedirect);
    ScriptedServer server;
    server.Enqueue(Redirect("/there"));
    server.Enqueue(Reply(200, "arrived"));
    WinInetRequest request;
    request.cookies = Text();
    request.noRedirect = noRedirect;
    Bytes got = HttpRequestWinInet(server.BaseUrl() + "/here", request);
    if (noRedirect) {
      EXPECT_NE(got, "arrived");
      EXPECT_EQ(server.Requests().size(), 1u);
    } else {
      EXPECT_EQ(got, "arrived");
      ASSERT_TRUE(server.WaitForRequests(2, 5s));
      EXPECT_EQ(Parse(server.Requests()[1]).requestLine, "GET /there HTTP/1.1");
    }
  }
}

TEST_F(WinInetRequestTest, ProxyReceivesTheAbsoluteUri) {
  server_.Enqueue(Reply(200, "via proxy"));
  WinInetRequest request;
  request.cookies = Text();
  request.proxy = "127.0.0.1:" + std::to_string(server_.Port());
  EXPECT_EQ(HttpRequestWinInet("http://origin.invalid/path?q=1", request), "via proxy");
  ASSERT_TRUE(server_.WaitForRequests(1, 5s));
  // WinINet spells the default port out, libcurl leaves it away: both name the origin.
  std::string line = Parse(server_.Requests()[0]).requestLine;
  EXPECT_TRUE(line == "GET http://origin.invalid/path?q=1 HTTP/1.1" ||
              line == "GET http://origin.invalid:80/path?q=1 HTTP/1.1")
      << line;
}

TEST_F(WinInetRequestTest, ServerClosingMidBodyGivesTheBytesThatArrived) {
  ScriptedResponse reply = Reply(200, std::string(3000, 'b'));
  size_t headLength = reply.bytes.find("\r\n\r\n") + 4;
  server_.Enqueue(WithFault(reply, ScriptedResponse::Fault::CloseMidBody, headLength + 1000));
  WinInetRequest request;
  request.cookies = Text();
  EXPECT_EQ(HttpRequestWinInet(server_.BaseUrl() + "/cut", request), std::string(1000, 'b'));
}

TEST_F(WinInetRequestTest, StalledServerEndsWithinTheTimeouts) {
#ifdef _WIN32
  // Wine's WinINet waits on a silent server past the time-outs set on the handle (seen
  // over 40 s); until that is understood this case runs against libcurl only.
  GTEST_SKIP() << "WinINet under Wine does not end a stalled response within its time-outs";
#endif
  SetRequestTimeouts({2000, 1500, true});
  server_.Enqueue(WithFault(Reply(200, "never"), ScriptedResponse::Fault::Stall));
  WinInetRequest stalled;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpRequestWinInet(server_.BaseUrl() + "/stall", stalled), "");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 20s) << "a stalled server must not hang the job";
  SetRequestTimeouts({});
}

TEST_F(WinInetRequestTest, OversizeHeaderBlockGivesTheBodyAndNoCookies) {
  server_.Enqueue(LargeHeadReply(200, "body", {"Set-Cookie: late=1"}));
  WinInetRequest large;
  large.cookies = Text();
  EXPECT_EQ(HttpRequestWinInet(server_.BaseUrl() + "/large", large), "body");
  EXPECT_EQ(large.responseCookies, "");
}

TEST(WinInetRequestUnreachableTest, ClosedPortGivesNothing) {
  int port;
  {
    ScriptedServer gone;
    port = gone.Port();
  }
  WinInetRequest request;
  request.cookies = Text("a=1");
  Bytes got = HttpRequestWinInet("http://127.0.0.1:" + std::to_string(port) + "/", request);
  EXPECT_EQ(got, "");
  // Nothing collected: the jar comes back as it was.
  EXPECT_EQ(request.responseCookies, "a=1");
  EXPECT_EQ(*request.cookies, "a=1");
}

}  // namespace
