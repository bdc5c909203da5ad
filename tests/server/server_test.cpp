#include "support/http_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "support/printable.h"

using namespace std::string_literals;
using std::chrono::milliseconds;

namespace {

// Safety limit for exchanges that should end with the server closing long before it.
constexpr milliseconds kLimit{5000};
// How long a client listens to be sure that nothing comes.
constexpr milliseconds kQuiet{300};

using Fault = ScriptedResponse::Fault;

std::string Get(const std::string& path) { return "GET " + path + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"; }

// A hang here would otherwise only show as the whole binary timing out, with no word of where.
void FinishesWithin(milliseconds limit, const std::function<void()>& work, const char* what) {
  std::packaged_task<void()> task(work);
  std::future<void> done = task.get_future();
  std::thread runner(std::move(task));
  if (done.wait_for(limit) != std::future_status::ready) {
    std::fprintf(stderr, "%s did not finish within %lld ms\n", what, static_cast<long long>(limit.count()));
    std::abort();
  }
  runner.join();
}

size_t HeadSize(const std::string& response) {
  size_t end = response.find("\r\n\r\n");
  return end == std::string::npos ? std::string::npos : end + 4;
}

TEST(ScriptedServerTest, ListensOnLoopbackOnAPortOfItsOwn) {
  ScriptedServer a;
  ScriptedServer b;
  ASSERT_TRUE(a.Ok()) << a.Error();
  ASSERT_TRUE(b.Ok()) << b.Error();
  EXPECT_GT(a.Port(), 0);
  EXPECT_NE(a.Port(), b.Port());
  EXPECT_EQ(a.BaseUrl(), "http://127.0.0.1:" + std::to_string(a.Port()));
  EXPECT_TRUE(RawExchange(a.Port(), Get("/"), kLimit).connected);
}

TEST(ScriptedServerTest, AnswersFromTheScriptInOrderThenWithTheDefault) {
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  const std::vector<ScriptedResponse> script = {
      Reply(200, "first"),
      Reply(201, "second", {"X-Order: 2"}),
      ScriptedResponse{"HTTP/1.0 200 OK\r\n\r\nthird, ended by the close"},
  };
  for (const ScriptedResponse& r : script) server.Enqueue(r);
  EXPECT_EQ(server.Unused(), script.size());

  std::vector<std::string> sent;
  for (size_t i = 0; i < script.size(); ++i) {
    sent.push_back(Get("/page" + std::string(1, static_cast<char>('0' + i))));
    RawReply got = RawExchange(server.Port(), sent.back(), kLimit);
    ASSERT_TRUE(got.connected);
    EXPECT_TRUE(got.peerClosed) << i;
    EXPECT_EQ(Printable(got.bytes), Printable(script[i].bytes)) << i;
  }
  EXPECT_EQ(server.Unused(), 0u);

  sent.push_back(Get("/none-left"));
  RawReply fallback = RawExchange(server.Port(), sent.back(), kLimit);
  EXPECT_TRUE(fallback.peerClosed);
  ASSERT_EQ(fallback.bytes.rfind("HTTP/1.1 404 Not Found\r\n", 0), 0u) << Printable(fallback.bytes);
  size_t head = HeadSize(fallback.bytes);
  ASSERT_NE(head, std::string::npos);
  std::string body = fallback.bytes.substr(head);
  EXPECT_FALSE(body.empty());
  EXPECT_NE(fallback.bytes.find("\r\nContent-Length: " + std::to_string(body.size()) + "\r\n"), std::string::npos)
      << Printable(fallback.bytes);

  // A new default answers every later request; it is not used up.
  const ScriptedResponse later = Reply(503, "later");
  server.SetDefault(later);
  for (int i = 0; i < 2; ++i) {
    sent.push_back(Get("/later"));
    EXPECT_EQ(Printable(RawExchange(server.Port(), sent.back(), kLimit).bytes), Printable(later.bytes)) << i;
  }
  EXPECT_EQ(server.Requests(), sent);
}

struct RecordCase {
  const char* note;
  std::string request;
};

TEST(ScriptedServerTest, RecordsTheExactBytesOfEachRequest) {
  std::string everyByte;
  for (int i = 0; i < 200000; ++i) everyByte.push_back(static_cast<char>(i % 256));
  const RecordCase cases[] = {
      {"plain GET", "GET /a?b=c HTTP/1.1\r\nHost: 127.0.0.1\r\nUser-Agent: t\r\nAccept: */*\r\n\r\n"},
      {"POST body with a zero byte and a blank line inside",
       "POST /form HTTP/1.1\r\nHost: h\r\nContent-Length: 14\r\n\r\nab\0cd\r\n\r\nef\xD6\xD0x"s},
      {"header name in odd case", "POST /x HTTP/1.1\r\ncOnTeNt-LeNgTh: 3\r\n\r\nxyz"},
      {"length with spaces around it", "PUT /s HTTP/1.1\r\nContent-Length:   4  \r\n\r\nbody"},
      {"zero length", "POST /e HTTP/1.1\r\nContent-Length: 0\r\n\r\n"},
      {"absolute URI, as a proxy sees it",
       "GET http://example.test:8080/p?q=1 HTTP/1.1\r\nHost: example.test:8080\r\nProxy-Connection: Keep-Alive\r\n\r\n"},
      {"HTTP/1.0 and no headers", "GET / HTTP/1.0\r\n\r\n"},
      {"body far bigger than one read",
       "POST /big HTTP/1.1\r\nContent-Length: " + std::to_string(everyByte.size()) + "\r\n\r\n" + everyByte},
  };
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.note);
    RawReply got = RawExchange(server.Port(), c.request, kLimit);
    // An answer at all shows the server read no more and no less than the body.
    EXPECT_TRUE(got.peerClosed);
    EXPECT_EQ(got.bytes.rfind("HTTP/1.1 404 ", 0), 0u) << Printable(got.bytes);
    std::vector<std::string> requests = server.Requests();
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests.back().size(), c.request.size());
    EXPECT_TRUE(requests.back() == c.request) << Printable(requests.back().substr(0, 300));
  }
  EXPECT_EQ(server.Requests().size(), std::size(cases));
}

TEST(ScriptedServerTest, WaitsForARequestThatArrivesInPieces) {
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  const ScriptedResponse answer = Reply(200, "done");
  server.Enqueue(answer);
  const std::vector<std::string> pieces = {
      "POST /sl", "ow HTTP/1.1\r\nHost: h\r\nContent-Length: 10\r\n\r", "\n01234", "5678", "9"};
  RawClient client(server.Port());
  ASSERT_TRUE(client.Connected());
  std::string whole;
  for (size_t i = 0; i + 1 < pieces.size(); ++i) {
    ASSERT_TRUE(client.Send(pieces[i], kLimit));
    whole += pieces[i];
    EXPECT_EQ(client.Read(milliseconds(50)), "") << "answered after piece " << i;
  }
  ASSERT_TRUE(client.Send(pieces.back(), kLimit));
  whole += pieces.back();
  EXPECT_EQ(Printable(client.Read(kLimit)), Printable(answer.bytes));
  EXPECT_TRUE(client.PeerClosed());
  EXPECT_EQ(server.Requests(), std::vector<std::string>{whole});
}

TEST(ScriptedServerTest, SaysContinueBeforeABodyThatWaitsForIt) {
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  const ScriptedResponse answer = Reply(201, "stored");
  server.Enqueue(answer);
  const std::string head = "POST /up HTTP/1.1\r\nHost: h\r\nContent-Length: 4\r\nExpect: 100-continue\r\n\r\n";
  const std::string interim = "HTTP/1.1 100 Continue\r\n\r\n";
  RawClient client(server.Port());
  ASSERT_TRUE(client.Send(head, kLimit));
  EXPECT_EQ(Printable(client.Read(kLimit, interim.size())), Printable(interim));
  ASSERT_TRUE(client.Send("data", kLimit));
  EXPECT_EQ(Printable(client.Read(kLimit)), Printable(answer.bytes));
  EXPECT_EQ(server.Requests(), std::vector<std::string>{head + "data"});
}

struct KeepAliveCase {
  const char* note;
  std::string firstRequest;
  ScriptedResponse firstResponse;
  bool servesAgain;
};

TEST(ScriptedServerTest, ServesAKeptAliveConnectionOnlyWhenBothSidesAllowIt) {
  const ScriptedResponse framed{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nhi"};
  const KeepAliveCase cases[] = {
      {"HTTP/1.1 with a length", Get("/1"), framed, true},
      {"response says close", Get("/1"), Reply(200, "hi"), false},
      {"response says close in lower case", Get("/1"),
       ScriptedResponse{"HTTP/1.1 200 OK\r\nContent-Length: 2\r\nconnection: Close\r\n\r\nhi"}, false},
      {"response without a length", Get("/1"), ScriptedResponse{"HTTP/1.1 200 OK\r\n\r\nhi"}, false},
      {"response longer than its length", Get("/1"),
       ScriptedResponse{"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nhi"}, false},
      {"HTTP/1.0 response", Get("/1"), ScriptedResponse{"HTTP/1.0 200 OK\r\nContent-Length: 2\r\n\r\nhi"}, false},
      {"request says close", "GET /1 HTTP/1.1\r\nHost: h\r\nConnection: close\r\n\r\n", framed, false},
      {"HTTP/1.0 request", "GET /1 HTTP/1.0\r\nHost: h\r\n\r\n", framed, false},
  };
  const ScriptedResponse second = Reply(200, "second");
  for (const KeepAliveCase& c : cases) {
    SCOPED_TRACE(c.note);
    ScriptedServer server;
    ASSERT_TRUE(server.Ok()) << server.Error();
    server.Enqueue(c.firstResponse);
    server.Enqueue(second);
    RawClient client(server.Port());
    ASSERT_TRUE(client.Send(c.firstRequest, kLimit));
    const std::string& expected = c.firstResponse.bytes;
    EXPECT_EQ(Printable(client.Read(kLimit, expected.size())), Printable(expected));
    if (c.servesAgain) {
      ASSERT_TRUE(client.Send(Get("/2"), kLimit));
      EXPECT_EQ(Printable(client.Read(kLimit)), Printable(second.bytes));
      EXPECT_EQ(server.Requests(), (std::vector<std::string>{c.firstRequest, Get("/2")}));
      EXPECT_EQ(server.Unused(), 0u);
    } else {
      EXPECT_EQ(client.Read(kLimit), "");
      EXPECT_EQ(server.Requests(), std::vector<std::string>{c.firstRequest});
      EXPECT_EQ(server.Unused(), 1u);
    }
    EXPECT_TRUE(client.PeerClosed());
  }
}

TEST(ScriptedServerTest, AnswersRequestsSentBackToBackInOrder) {
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  const ScriptedResponse first{"HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nA"};
  const ScriptedResponse last = Reply(200, "B");
  server.Enqueue(first);
  server.Enqueue(last);
  const std::string post = "POST /1 HTTP/1.1\r\nContent-Length: 3\r\n\r\nxyz";
  RawReply got = RawExchange(server.Port(), post + Get("/2"), kLimit);
  EXPECT_EQ(Printable(got.bytes), Printable(first.bytes + last.bytes));
  EXPECT_TRUE(got.peerClosed);
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{post, Get("/2")}));
}

struct FaultCase {
  const char* note;
  ScriptedResponse response;
  std::string arrives;
  bool closes;  // false: the connection stays open and silent until the server stops
};

TEST(ScriptedServerTest, MisbehavesAsScriptedAndStillStopsPromptly) {
  const ScriptedResponse full = Reply(200, "0123456789abcdef");
  const size_t head = HeadSize(full.bytes);
  const FaultCase cases[] = {
      {"CloseMidBody cut in the head", WithFault(full, Fault::CloseMidBody, 20), full.bytes.substr(0, 20), true},
      {"CloseMidBody cut in the body", WithFault(full, Fault::CloseMidBody, head + 5), full.bytes.substr(0, head + 5),
       true},
      {"CloseMidBody asked for more than there is", WithFault(full, Fault::CloseMidBody, full.bytes.size() + 100),
       full.bytes, true},
      {"NoResponse", WithFault(full, Fault::NoResponse), "", true},
      {"StallAfter", WithFault(full, Fault::StallAfter, head + 3), full.bytes.substr(0, head + 3), false},
      {"Stall", WithFault(full, Fault::Stall), "", false},
  };
  for (const FaultCase& c : cases) {
    SCOPED_TRACE(c.note);
    auto server = std::make_unique<ScriptedServer>();
    ASSERT_TRUE(server->Ok()) << server->Error();
    server->Enqueue(c.response);
    RawClient client(server->Port());
    ASSERT_TRUE(client.Send(Get("/fault"), kLimit));
    std::string got = client.Read(c.closes ? kLimit : kQuiet);
    EXPECT_EQ(Printable(got), Printable(c.arrives));
    EXPECT_EQ(client.PeerClosed(), c.closes);
    ASSERT_TRUE(server->WaitForRequests(1, kLimit));
    EXPECT_EQ(server->Requests(), std::vector<std::string>{Get("/fault")});

    // The client still holds its end open: stopping must not wait for it.
    FinishesWithin(kLimit, [&] { server.reset(); }, "stopping the server");
    EXPECT_EQ(client.Read(kLimit), "");
    EXPECT_TRUE(client.PeerClosed());
  }
}

TEST(ScriptedServerTest, AStalledConnectionDoesNotHoldUpTheNext) {
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  server.Enqueue(WithFault(Reply(200, "never"), Fault::Stall));
  const ScriptedResponse next = Reply(200, "next");
  server.Enqueue(next);
  RawClient stalled(server.Port());
  ASSERT_TRUE(stalled.Send(Get("/stall"), kLimit));
  ASSERT_TRUE(server.WaitForRequests(1, kLimit));
  RawReply got = RawExchange(server.Port(), Get("/next"), kLimit);
  EXPECT_EQ(Printable(got.bytes), Printable(next.bytes));
  EXPECT_EQ(stalled.Read(milliseconds(50)), "");
  EXPECT_FALSE(stalled.PeerClosed());
}

TEST(ScriptedServerTest, RecordsARequestCutShortWithoutUsingTheScript) {
  const RecordCase cases[] = {
      {"head never finished", "GET / HTTP/1.1\r\nHost: h\r\n"},
      {"body shorter than its length", "POST / HTTP/1.1\r\nContent-Length: 10\r\n\r\nabc"},
  };
  for (const RecordCase& c : cases) {
    SCOPED_TRACE(c.note);
    ScriptedServer server;
    ASSERT_TRUE(server.Ok()) << server.Error();
    server.Enqueue(Reply(200, "kept"));
    {
      RawClient client(server.Port());
      ASSERT_TRUE(client.Send(c.request, kLimit));
      EXPECT_EQ(client.Read(milliseconds(50)), "");
    }
    ASSERT_TRUE(server.WaitForRequests(1, kLimit));
    EXPECT_EQ(server.Requests(), std::vector<std::string>{c.request});
    EXPECT_EQ(server.Unused(), 1u);
  }
}

TEST(ScriptedServerTest, WaitForRequestsWakesWhenTheCountIsReached) {
  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  EXPECT_FALSE(server.WaitForRequests(1, milliseconds(50)));
  std::thread client([&] { RawExchange(server.Port(), Get("/late"), kLimit); });
  EXPECT_TRUE(server.WaitForRequests(1, kLimit));
  EXPECT_FALSE(server.WaitForRequests(2, milliseconds(50)));
  client.join();
}

struct BuilderCase {
  const char* note;
  ScriptedResponse built;
  std::string bytes;
};

TEST(ResponseBuildersTest, BuildWellFormedResponses) {
  const BuilderCase cases[] = {
      {"plain", Reply(200, "hi"), "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nhi"},
      {"cookies in mixed case, as given", Reply(404, "", {"Set-Cookie: SID=1; Path=/", "set-COOKIE: b=2"}),
       "HTTP/1.1 404 Not Found\r\nSet-Cookie: SID=1; Path=/\r\nset-COOKIE: b=2\r\nContent-Length: 0\r\n"
       "Connection: close\r\n\r\n"},
      {"a given length wins, even a wrong one", Reply(200, "abc", {"content-length: 10"}),
       "HTTP/1.1 200 OK\r\ncontent-length: 10\r\nConnection: close\r\n\r\nabc"},
      {"a given Connection wins", Reply(200, "x", {"Connection: keep-alive"}),
       "HTTP/1.1 200 OK\r\nConnection: keep-alive\r\nContent-Length: 1\r\n\r\nx"},
      {"unlisted status", Reply(299, ""), "HTTP/1.1 299 Status\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"},
      {"redirect", Redirect("/next"),
       "HTTP/1.1 302 Found\r\nLocation: /next\r\nContent-Length: 15\r\nConnection: close\r\n\r\nMoved to /next\n"},
      {"redirect with status and cookie", Redirect("http://127.0.0.1:1/a", 301, {"Set-Cookie: r=1"}),
       "HTTP/1.1 301 Moved Permanently\r\nLocation: http://127.0.0.1:1/a\r\nSet-Cookie: r=1\r\n"
       "Content-Length: 30\r\nConnection: close\r\n\r\nMoved to http://127.0.0.1:1/a\n"},
  };
  for (const BuilderCase& c : cases) {
    SCOPED_TRACE(c.note);
    EXPECT_EQ(Printable(c.built.bytes), Printable(c.bytes));
    EXPECT_EQ(c.built.fault, Fault::None);
  }
  ScriptedResponse faulty = WithFault(Reply(200, "x"), Fault::StallAfter, 7);
  EXPECT_EQ(faulty.bytes, Reply(200, "x").bytes);
  EXPECT_EQ(faulty.fault, Fault::StallAfter);
  EXPECT_EQ(faulty.sendFirst, 7u);
}

TEST(ResponseBuildersTest, LargeHeadReplyPutsTheGivenLinesPastTheFirstFiveThousandBytes) {
  const std::vector<std::string> cookies = {"Set-Cookie: Late=1; path=/", "SET-COOKIE: later=2"};
  for (size_t minHead : {size_t{5001}, size_t{6000}, size_t{20000}}) {
    SCOPED_TRACE(minHead);
    ScriptedResponse r = LargeHeadReply(200, "body!", cookies, minHead);
    size_t head = HeadSize(r.bytes);
    ASSERT_NE(head, std::string::npos);
    EXPECT_GT(head, minHead);
    EXPECT_EQ(r.bytes.substr(head), "body!");
    EXPECT_EQ(r.bytes.rfind("HTTP/1.1 200 OK\r\n", 0), 0u);
    EXPECT_NE(r.bytes.find("\r\nContent-Length: 5\r\n"), std::string::npos);
    for (const std::string& line : cookies) {
      size_t at = r.bytes.find("\r\n" + line + "\r\n");
      ASSERT_NE(at, std::string::npos) << line;
      EXPECT_GE(at + 2, minHead) << line;
    }
    // Every line after the status line is a header.
    size_t pos = r.bytes.find("\r\n") + 2;
    while (pos < head - 2) {
      size_t end = r.bytes.find("\r\n", pos);
      std::string line = r.bytes.substr(pos, end - pos);
      EXPECT_NE(line.find(": "), std::string::npos) << line;
      pos = end + 2;
    }
  }

  ScriptedServer server;
  ASSERT_TRUE(server.Ok()) << server.Error();
  ScriptedResponse big = LargeHeadReply(200, "body!", cookies);
  server.Enqueue(big);
  EXPECT_EQ(Printable(RawExchange(server.Port(), Get("/"), kLimit).bytes), Printable(big.bytes));
}

}  // namespace
