// The WinINet request on the wire, against the scripted server: WinINet under Wine in the
// Windows build, libcurl natively. Only the bytes our code controls are compared exactly.
#include "net/wininet_request.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>

#include "net/request_common.h"
#include "net/request_timeouts.h"
#include "support/http_server.h"
#include "support/printable.h"

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
  for (const char* name : {"Host:", "Connection:", "Cache-Control:", "Pragma:", "Content-Length:"}) {
    if (line.rfind(name, 0) == 0) return true;
  }
  return false;
}

bool IsAgentLine(const std::string& line) {
  static const std::string kName = "user-agent:";
  if (line.size() < kName.size()) return false;
  for (size_t i = 0; i < kName.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(line[i])) != kName[i]) return false;
  }
  return true;
}

// Our header lines in the order sent: everything but the platform's own lines and the agent,
// which WinINet and libcurl place differently.
std::vector<std::string> OurLines(const SentRequest& sent) {
  std::vector<std::string> ours;
  for (const std::string& line : sent.lines) {
    if (!IsPlatformLine(line) && !IsAgentLine(line)) ours.push_back(line);
  }
  return ours;
}

// Every user-agent value sent, whatever the spelling of the name.
std::vector<std::string> AgentValues(const SentRequest& sent) {
  std::vector<std::string> values;
  for (const std::string& line : sent.lines) {
    if (!IsAgentLine(line)) continue;
    size_t start = line.find_first_not_of(' ', 11);
    values.push_back(start == std::string::npos ? "" : line.substr(start));
  }
  return values;
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

TEST_F(WinInetRequestTest, SendsTheRequestAsBuilt) {
  const std::string kDefaultAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  const std::string base = server_.BaseUrl();
  // What follows the caller's own lines when it gives none of the default names.
  auto defaultsAfter = [&](const std::string& url) {
    return std::vector<std::string>{"Referer: " + url, "Accept-Language: zh-cn",
                                    "Content-Type: application/x-www-form-urlencoded"};
  };
  auto with = [](std::vector<std::string> head, const std::vector<std::string>& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  const std::string zeroBody("raw\0bytes", 9);
  const struct Case {
    const char* name;
    std::function<void(WinInetRequest&)> setUp;
    std::string requestLine;
    std::vector<std::string> ourLines;  // for the URL base + "/p"
    std::vector<std::string> agents;
    std::string body;
    std::string postBytesAfter;
  } cases[] = {
      {"method 5 is GET", [](WinInetRequest& r) { r.method = 5; }, "GET /p HTTP/1.1",
       with({"Accept: */*"}, defaultsAfter(base + "/p")), {kDefaultAgent}, "", ""},
      {"method -1 is GET", [](WinInetRequest& r) { r.method = -1; }, "GET /p HTTP/1.1",
       with({"Accept: */*"}, defaultsAfter(base + "/p")), {kDefaultAgent}, "", ""},
      {"own Accept line", [](WinInetRequest& r) { r.headers = "Accept: text/html"; }, "GET /p HTTP/1.1",
       with({"Accept: text/html"}, defaultsAfter(base + "/p")), {kDefaultAgent}, "", ""},
      {"X-Accept counts as Accept", [](WinInetRequest& r) { r.headers = "X-Accept: 1"; }, "GET /p HTTP/1.1",
       with({"X-Accept: 1"}, defaultsAfter(base + "/p")), {kDefaultAgent}, "", ""},
      {"agent from a User-Agent line", [](WinInetRequest& r) { r.headers = "User-Agent: Tool/1.0"; },
       "GET /p HTTP/1.1", with({"Accept: */*"}, defaultsAfter(base + "/p")), {"Tool/1.0"}, "", ""},
      {"agent through the colon fallback", [](WinInetRequest& r) { r.headers = "user-agent: X"; },
       "GET /p HTTP/1.1", with({"Accept: */*"}, defaultsAfter(base + "/p")), {"X"}, "", ""},
      {"cookies without the name", [](WinInetRequest& r) { r.cookies = Text("a=1; b=2"); }, "GET /p HTTP/1.1",
       with(with({"Accept: */*"}, defaultsAfter(base + "/p")), {"Cookie: a=1; b=2"}), {kDefaultAgent}, "", ""},
      {"cookies with the name", [](WinInetRequest& r) { r.cookies = Text("Cookie: a=1"); }, "GET /p HTTP/1.1",
       with(with({"Accept: */*"}, defaultsAfter(base + "/p")), {"Cookie: a=1"}), {kDefaultAgent}, "", ""},
      {"POST takes postText", [](WinInetRequest& r) {
         r.method = 1;
         r.postText = "k=v";
       },
       "POST /p HTTP/1.1", with({"Accept: */*"}, defaultsAfter(base + "/p")), {kDefaultAgent}, "k=v", "k=v"},
      {"POST prefers postBytes, zero bytes included", [&](WinInetRequest& r) {
         r.method = 1;
         r.postText = "ignored";
         r.postBytes = zeroBody;
       },
       "POST /p HTTP/1.1", with({"Accept: */*"}, defaultsAfter(base + "/p")), {kDefaultAgent}, zeroBody, zeroBody},
      {"GET sends no body even with postText", [](WinInetRequest& r) { r.postText = "k=v"; }, "GET /p HTTP/1.1",
       with({"Accept: */*"}, defaultsAfter(base + "/p")), {kDefaultAgent}, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server;
    server.Enqueue(Reply(200, "ok"));
    WinInetRequest request;
    c.setUp(request);
    // Each case talks to its own server, so the URL is that server's.
    const std::string url = server.BaseUrl() + "/p";
    std::vector<std::string> expectedLines = c.ourLines;
    for (std::string& line : expectedLines) {
      if (line.rfind("Referer: ", 0) == 0) line = "Referer: " + url;
    }
    EXPECT_EQ(HttpRequestWinInet(url, request), "ok");
    ASSERT_TRUE(server.WaitForRequests(1, 5s));
    SentRequest sent = Parse(server.Requests()[0]);
    EXPECT_EQ(sent.requestLine, c.requestLine);
    EXPECT_EQ(OurLines(sent), expectedLines) << Printable(server.Requests()[0]);
    EXPECT_EQ(AgentValues(sent), c.agents) << Printable(server.Requests()[0]);
    EXPECT_EQ(Printable(sent.body), Printable(c.body));
    EXPECT_EQ(Printable(request.postBytes), Printable(c.postBytesAfter));
  }
}

TEST_F(WinInetRequestTest, HeadSendsPostTextAsItsBody) {
  server_.Enqueue(Reply(200, ""));
  WinInetRequest request;
  request.method = 2;
  request.postText = "k=v";
  EXPECT_EQ(HttpRequestWinInet(server_.BaseUrl() + "/h", request), "");
  EXPECT_EQ(request.postBytes, "k=v");
  ASSERT_TRUE(server_.WaitForRequests(1, 5s));
  SentRequest sent = Parse(server_.Requests()[0]);
  EXPECT_EQ(sent.requestLine, "HEAD /h HTTP/1.1");
  EXPECT_EQ(sent.body, "k=v");
}

TEST_F(WinInetRequestTest, GivenJarKeepsThePlatformsCookiesOut) {
  // A request without a jar lets the platform keep what the server sets...
  server_.Enqueue(Reply(200, "x", {"Set-Cookie: platform=1"}));
  WinInetRequest first;
  HttpRequestWinInet(server_.BaseUrl() + "/", first);
  EXPECT_EQ(first.responseCookies, "platform=1");
  // ...but with a jar only the jar's cookies go out.
  const struct {
    Text jar;
    std::string cookieLine;
  } cases[] = {{"", "<none>"}, {"a=1", "a=1"}};
  for (const auto& c : cases) {
    server_.Enqueue(Reply(200, "x"));
    WinInetRequest request;
    request.cookies = c.jar;
    HttpRequestWinInet(server_.BaseUrl() + "/", request);
  }
  ASSERT_TRUE(server_.WaitForRequests(3, 5s));
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(HeaderValue(Parse(server_.Requests()[i + 1]), "Cookie"), cases[i].cookieLine) << i;
  }
}

TEST_F(WinInetRequestTest, CookiesGoOutAndComeBackMerged) {
  const struct {
    bool giveJar;
    Text jar;
    Text cookieLine;
    Text responseCookies;
    Text jarAfter;
  } cases[] = {
      {false, "", "", "a=1; b=2", ""},  // the platform's own store decides its Cookie line
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
    if (c.giveJar) {
      EXPECT_EQ(HeaderValue(Parse(server.Requests()[0]), "Cookie"), c.cookieLine);
    }
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

TEST_F(WinInetRequestTest, RedirectsLeadOnlyToHttpOrHttps) {
  // A file on this machine that the redirect must not reach.
  const std::string secret = "redirect-secret-" + std::to_string(server_.Port());
  const std::string path = ::testing::TempDir() + "qm_redirect_target.txt";
  {
    std::ofstream file(path, std::ios::binary);
    file << secret;
  }
  std::string fileUrl = "file://" + std::string(path[0] == '/' ? "" : "/") + path;
  for (char& ch : fileUrl) {
    if (ch == '\\') ch = '/';
  }
  server_.Enqueue(Redirect(fileUrl));
  WinInetRequest request;
  request.cookies = Text();
  Bytes got = HttpRequestWinInet(server_.BaseUrl() + "/away", request);
  std::remove(path.c_str());
  EXPECT_EQ(got.find(secret), std::string::npos) << got;
  EXPECT_EQ(server_.Requests().size(), 1u);
}

TEST_F(WinInetRequestTest, BodyStopsGrowingAtTheCap) {
  server_.Enqueue(Reply(200, std::string(kMaxBodyBytes + 4096, 'z')));
  WinInetRequest request;
  request.cookies = Text();
  Bytes got = HttpRequestWinInet(server_.BaseUrl() + "/huge", request);
  EXPECT_EQ(got.size(), kMaxBodyBytes);
  EXPECT_EQ(got.find_first_not_of('z'), std::string::npos);
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

TEST_F(WinInetRequestTest, SecureRequestsGoThroughTheProxyToo) {
  // The proxy text goes unchanged for https, so the tunnel is asked of the same proxy.
  server_.Enqueue(Reply(403, "no tunnel"));
  WinInetRequest request;
  request.cookies = Text();
  request.proxy = "127.0.0.1:" + std::to_string(server_.Port());
  HttpRequestWinInet("https://origin.invalid/secure", request);
  ASSERT_TRUE(server_.WaitForRequests(1, 5s));
  EXPECT_EQ(Parse(server_.Requests()[0]).requestLine, "CONNECT origin.invalid:443 HTTP/1.1");
}

TEST_F(WinInetRequestTest, ServerClosingEarlyGivesTheBytesThatArrived) {
  ScriptedResponse reply = Reply(200, std::string(3000, 'b'), {"Set-Cookie: s=1"});
  const size_t headLength = reply.bytes.find("\r\n\r\n") + 4;
  const struct {
    const char* name;
    ScriptedResponse response;
    std::string body;
  } cases[] = {
      {"closed mid-body", WithFault(reply, ScriptedResponse::Fault::CloseMidBody, headLength + 1000),
       std::string(1000, 'b')},
      {"closed without a response", WithFault(reply, ScriptedResponse::Fault::NoResponse), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScriptedServer server;
    server.Enqueue(c.response);
    WinInetRequest request;
    request.cookies = Text();
    EXPECT_EQ(HttpRequestWinInet(server.BaseUrl() + "/cut", request), c.body);
  }
}

TEST_F(WinInetRequestTest, StalledServerEndsWithinTheTimeouts) {
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
