#include "net/fetch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "net/http_layer.h"
#include "tests/net/test_servers.h"

namespace chaxun {
namespace {

using ::testing::Contains;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::StartsWith;
using net_test::head_lines;
using net_test::HttpServer;
using net_test::ok_response;
using net_test::RawReply;
using net_test::RawServer;

const std::string kAcceptLine =
    "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, application/x-shockwave-flash, "
    "application/vnd.ms-excel, application/vnd.ms-powerpoint, application/msword, */*\r\n";
const std::string kLanguageLine = "Accept-Language: zh-cn\r\n";
const std::string kAgentLine = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n";
const Bytes kFallback(255, 0);

std::atomic<int> g_events{0};
void count_event() { ++g_events; }

std::string as_string(const Bytes& b) { return std::string(b.begin(), b.end()); }

// `prefix` followed by the digits of n (appended: GCC 12 at -O3 misreads
// "literal" + std::to_string(n) as an overlapping copy).
std::string with_number(std::string prefix, std::size_t n) { return prefix.append(std::to_string(n)); }

class FetchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    net_global_init();
    http::clear_cookies();
    http::set_timeouts_for_testing(std::chrono::milliseconds(2000), std::chrono::seconds(1));
    g_events = 0;
    set_process_events_handler(&count_event);
  }
  void TearDown() override {
    set_process_events_handler(nullptr);
    http::reset_timeouts();
    http::clear_cookies();
  }

  // The request fetch_page sends for `path` to `server` with these header lines.
  static std::string expected_request(const std::string& method, const RawServer& server, const std::string& path,
                                      const std::string& header_text) {
    return method + " " + path + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) + "\r\n" +
           kAgentLine + header_text + "\r\n";
  }

  // The names of the stored cookies (field 6 of each Netscape line).
  static std::vector<std::string> cookie_names() {
    std::vector<std::string> names;
    for (const std::string& line : http::stored_cookies()) {
      std::size_t start = 0;
      for (int field = 0; field < 5; ++field) start = line.find('\t', start) + 1;
      names.push_back(line.substr(start, line.find('\t', start) - start));
    }
    return names;
  }
};

TEST_F(FetchTest, GetGoesOutInBrowserFormWithTheDefaultLines) {
  RawServer server(ok_response("page"));
  const std::string path = "/search.asp?action=mobile&mobile=139";
  for (const char* method : {"", "GET"}) {
    SCOPED_TRACE(method);
    Text headers;
    EXPECT_EQ(as_string(fetch_page(server.url(path), method, "", headers, "ignored")), "page");
    const std::string defaults = kAcceptLine + "Referer: " + server.url(path) + "\r\n" + kLanguageLine;
    EXPECT_EQ(headers, defaults);
    EXPECT_EQ(server.requests().back(), expected_request("GET", server, path, defaults));
  }
  EXPECT_EQ(fetch_page_text(server.url(path)), "page");
}

TEST_F(FetchTest, PostAddsTypeAndLengthOnlyForABody) {
  RawServer server(ok_response("done"));
  const std::string path = "/post/Search.aspx";
  const std::string defaults = kAcceptLine + "Referer: " + server.url(path) + "\r\n" + kLanguageLine;
  struct Case {
    const char* rule;
    const char* body;
    std::string header_text;   // what the caller's variable holds afterwards
    std::string wire_headers;  // the header lines that reach the server
  };
  const std::vector<Case> cases = {
      {"7-byte body", "a=1&b=2",
       defaults + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n",
       defaults + "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n"},
      // Nothing added to the text; the wire says there is no body.
      {"empty body", "", defaults, defaults + "Content-Length: 0\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Text headers;
    EXPECT_EQ(as_string(fetch_page(server.url(path), "POST", "", headers, c.body)), "done");
    EXPECT_EQ(headers, c.header_text);
    EXPECT_EQ(server.requests().back(), expected_request("POST", server, path, c.wire_headers) + c.body);
  }
}

TEST_F(FetchTest, DefaultLinesAreAddedOnlyWhenTheirNameOccursNowhere) {
  RawServer server(ok_response("x"));
  const std::string url = server.url("/r");
  const std::string referer = "Referer: " + url + "\r\n";
  struct Case {
    const char* rule;
    Text given;
    Text expected;
  };
  const std::vector<Case> cases = {
      {"nothing given: the three lines in order", "", kAcceptLine + referer + kLanguageLine},
      // The search ignores letter case.
      {"lower-case accept given", "accept: text/html\r\n", "accept: text/html\r\n" + referer + kLanguageLine},
      // Anywhere in the text counts, even inside another line's value.
      {"Referer: inside a value", "X-Note: see Referer: here\r\n",
       "X-Note: see Referer: here\r\n" + kAcceptLine + kLanguageLine},
      // The name is searched with ": ": "Accept-Language" is no "Accept: ".
      {"language given", "ACCEPT-LANGUAGE: en\r\n", "ACCEPT-LANGUAGE: en\r\n" + kAcceptLine + referer},
      // Nothing is put between: the caller's line runs into the first default.
      {"line without CR LF", "X-A: 1", "X-A: 1" + kAcceptLine + referer + kLanguageLine},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Text headers = c.given;
    fetch_page(url, "GET", "", headers, "");
    EXPECT_EQ(headers, c.expected);
    EXPECT_EQ(server.requests().back(), expected_request("GET", server, "/r", c.expected));
  }
  // Each name is searched in the text as it stands, lines appended before
  // included: this URL in the Referer line keeps Accept-Language out.
  const std::string named_url = server.url("/r?q=accept-language: x");
  Text headers;
  fetch_page(named_url, "GET", "", headers, "");
  EXPECT_EQ(headers, kAcceptLine + "Referer: " + named_url + "\r\n");
}

TEST_F(FetchTest, UnrecognisedMethodGivesTheFallbackAfterTheDefaultLines) {
  RawServer server(ok_response("never"));
  const std::string url = server.url("/m");
  for (const char* method : {"get", "post", "PUT", "GE T"}) {
    SCOPED_TRACE(method);
    Text headers = "X-Caller: 1\r\n";
    EXPECT_EQ(fetch_page(url, method, "", headers, "a=1"), kFallback);
    EXPECT_EQ(headers, "X-Caller: 1\r\n" + kAcceptLine + "Referer: " + url + "\r\n" + kLanguageLine);
  }
  EXPECT_THAT(server.requests(), IsEmpty());
  EXPECT_EQ(g_events, 0);  // no read, no cookie scan
}

TEST_F(FetchTest, FailuresGiveTheFallbackOrAnEmptyBody) {
  RawServer garbage("garbage\r\n\r\n");
  enum class Result { kFallback, kEmpty };
  struct Case {
    const char* rule;
    std::string url;
    std::string proxy;
    Result result;
  };
  const std::vector<Case> cases = {
      // Stopped before a request existed: the caller's text stays as it was.
      {"port -1", "http://127.0.0.1:-1/", "", Result::kFallback},
      {"port 70000", "http://127.0.0.1:70000/", "", Result::kFallback},
      {"proxy with a blank inside", "http://127.0.0.1/", "127.0.0.1 :1", Result::kFallback},
      // The send fails: no body, no cookie.
      {"nothing listens", "http://127.0.0.1:" + std::to_string(net_test::unused_port()) + "/", "", Result::kEmpty},
      {"unknown host", "http://nohost.invalid/x", "", Result::kEmpty},
      {"not a host name", "http://user@127.0.0.1:" + std::to_string(garbage.port()) + "/", "", Result::kEmpty},
      {"no HTTP answer", garbage.url("/"), "", Result::kEmpty},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Text headers = "X-Caller: 1\r\n";
    const Bytes body = fetch_page(c.url, "", c.proxy, headers, "");
    if (c.result == Result::kFallback) {
      EXPECT_EQ(body, kFallback);
      EXPECT_EQ(headers, "X-Caller: 1\r\n");
    } else {
      EXPECT_THAT(body, IsEmpty());
      EXPECT_THAT(headers, HasSubstr(kLanguageLine));
    }
    EXPECT_EQ(fetch_page_text(c.url), "");
  }
  // The user name must not have led to a request to 127.0.0.1.
  EXPECT_EQ(garbage.requests().size(), 2u);
}

TEST_F(FetchTest, BodyBrokenOffKeepsTheBytesBeforeTheBreak) {
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: 1000\r\n\r\n";
  const std::string part(600, 'p');
  RawServer closed([&](const std::string&) { return RawReply{head + part, RawReply::After::kClose}; });
  EXPECT_EQ(fetch_page_text(closed.url("/")), part);
  // A reset may also discard bytes already on their way; whatever arrives is
  // a prefix of what was sent.
  RawServer reset([&](const std::string&) { return RawReply{head + part, RawReply::After::kReset}; });
  Text headers;
  const std::string got = as_string(fetch_page(reset.url("/"), "", "", headers, ""));
  EXPECT_LE(got.size(), part.size());
  EXPECT_EQ(got, part.substr(0, got.size()));
}

TEST_F(FetchTest, StalledServerEndsTheFetchWithWhatArrived) {
  RawServer server([](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nfirst", RawReply::After::kHold};
  });
  EXPECT_EQ(fetch_page_text(server.url("/")), "first");
}

TEST_F(FetchTest, BodyIsReadIn512BytePiecesUntilAnEmptyRead) {
  // Bodies of every byte value, zero included, at the piece boundaries.
  auto body_of_size = [](std::size_t n) {
    std::string body(n, '\0');
    for (std::size_t i = 0; i < n; ++i) body[i] = static_cast<char>((i * 7) % 256);
    return body;
  };
  RawServer server([&](const std::string& request) {
    const std::size_t size = std::stoul(head_lines(request).front().substr(5));
    return RawReply{ok_response(body_of_size(size))};
  });
  for (std::size_t size : {0, 1, 511, 512, 513, 1024, 512 * 7, 1000}) {
    SCOPED_TRACE(size);
    g_events = 0;
    Text headers;
    const Bytes body = fetch_page(server.url(with_number("/", size)), "", "", headers, "");
    EXPECT_EQ(as_string(body), body_of_size(size));
    // One event pass before every read, the final empty read included.
    EXPECT_EQ(g_events, static_cast<int>((size + 511) / 512 + 1));
  }
}

TEST_F(FetchTest, ZeroByteEndsTheTextButNotTheBytes) {
  RawServer server(ok_response(std::string("ab\0cd", 5)));
  Text headers;
  EXPECT_EQ(as_string(fetch_page(server.url("/"), "", "", headers, "")), std::string("ab\0cd", 5));
  EXPECT_EQ(fetch_page_text(server.url("/")), "ab");
}

TEST_F(FetchTest, HundredMebibyteBodyArrivesWhole) {
  constexpr std::size_t kSize = 100u << 20;
  HttpServer server([](httplib::Server& s) {
    s.Get("/big", [](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(kSize, "application/octet-stream",
                               [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 std::string chunk(std::min<std::size_t>(length, 1 << 16), '\0');
                                 for (std::size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>((offset + i) % 251);
                                 sink.write(chunk.data(), chunk.size());
                                 return true;
                               });
    });
  });
  set_process_events_handler(nullptr);
  Text headers;
  const Bytes body = fetch_page(server.url("/big"), "", "", headers, "");
  ASSERT_EQ(body.size(), kSize);
  for (std::size_t at : {std::size_t{0}, std::size_t{511}, std::size_t{512}, kSize / 2 + 3, kSize - 1}) {
    EXPECT_EQ(body[at], at % 251) << at;
  }
}

TEST_F(FetchTest, CookiesOfTheResponseAreStoredForTheHostAndSentOnAnyPort) {
  RawServer setter(ok_response("x",
                               "Set-Cookie: a=1; path=/\r\n"
                               "set-cookie: b=2\r\n"    // found in any letter case
                               "Set-Cookie: flag\r\n"   // nameless: the store has no place for it
                               "Set-Cookie: b=3\r\n"));  // stored after b=2, so it replaces it
  EXPECT_EQ(fetch_page_text(setter.url("/login")), "x");
  // Two reads, then one event pass for each of the 7 lines of the capture.
  EXPECT_EQ(g_events, 2 + 7);
  EXPECT_THAT(cookie_names(), ::testing::UnorderedElementsAre("a", "b"));

  RawServer other(ok_response("y"));
  EXPECT_EQ(fetch_page_text(other.url("/elsewhere")), "y");
  const auto lines = head_lines(other.requests().back());
  EXPECT_THAT(lines, Contains(::testing::AnyOf("Cookie: a=1; b=3", "Cookie: b=3; a=1")));
}

TEST_F(FetchTest, CookiesAreStoredOnlyWhenTheHeaderBlockFitsTheCapture) {
  // The block with its zero byte must fit into 1024 bytes.
  for (std::size_t block_size : {1023, 1024}) {
    SCOPED_TRACE(block_size);
    http::clear_cookies();
    const std::string fixed = "HTTP/1.1 200 OK\r\nSet-Cookie: big=1\r\nContent-Length: 1\r\nX-Pad: \r\n";
    const std::string block = "HTTP/1.1 200 OK\r\nSet-Cookie: big=1\r\nContent-Length: 1\r\nX-Pad: " +
                              std::string(block_size - fixed.size(), 'p') + "\r\n";
    ASSERT_EQ(block.size(), block_size);
    RawServer server(block + "\r\nx");
    EXPECT_EQ(fetch_page_text(server.url("/")), "x");
    EXPECT_EQ(http::stored_cookies().size(), block_size < 1024 ? 1u : 0u);
  }
}

TEST_F(FetchTest, RedirectIsFollowedAndTheFinalResponseSetsTheCookies) {
  RawServer server([](const std::string& request) {
    if (head_lines(request).front() == "GET /start HTTP/1.1") {
      // The body of the redirect is not part of the result.
      return RawReply{"HTTP/1.1 302 Found\r\nLocation: /final\r\nSet-Cookie: hop=1\r\nContent-Length: 5\r\n\r\nmoved"};
    }
    return RawReply{ok_response("final page", "Set-Cookie: last=2\r\n")};
  });
  EXPECT_EQ(fetch_page_text(server.url("/start")), "final page");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_THAT(head_lines(requests[1]), Contains("Cookie: hop=1"));  // within the one exchange
  EXPECT_THAT(cookie_names(), ::testing::ElementsAre("last"));
}

TEST_F(FetchTest, RedirectsAreFollowedTenTimesAtMost) {
  RawServer server("HTTP/1.1 302 Found\r\nLocation: /again\r\nContent-Length: 5\r\n\r\nmoved");
  EXPECT_EQ(fetch_page_text(server.url("/again")), "");
  EXPECT_EQ(server.requests().size(), 11u);
}

TEST_F(FetchTest, PostRedirectedToGetSendsNoLength) {
  // A Content-Length left on the GET would make the server wait for a body
  // that never comes.
  RawServer server([](const std::string& request) {
    if (head_lines(request).front() == "POST /form HTTP/1.1") {
      return RawReply{"HTTP/1.1 302 Found\r\nLocation: /done\r\nContent-Length: 0\r\n\r\n"};
    }
    return RawReply{ok_response("done")};
  });
  Text headers;
  EXPECT_EQ(as_string(fetch_page(server.url("/form"), "POST", "", headers, "a=1&b=2")), "done");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_THAT(requests[0], HasSubstr("\r\nContent-Length: 7\r\n\r\na=1&b=2"));
  EXPECT_EQ(head_lines(requests[1]).front(), "GET /done HTTP/1.1");
  EXPECT_THAT(requests[1], Not(HasSubstr("Content-Length")));
}

TEST_F(FetchTest, ErrorStatusGivesItsBodyAndStoresItsCookies) {
  RawServer server("HTTP/1.1 404 Not Found\r\nSet-Cookie: seen=1\r\nContent-Length: 8\r\n\r\nnot here");
  EXPECT_EQ(fetch_page_text(server.url("/missing")), "not here");
  EXPECT_THAT(cookie_names(), ::testing::ElementsAre("seen"));
}

TEST_F(FetchTest, OnlyTheFinalResponseSetsCookies) {
  const int nothing_listens = net_test::unused_port();
  struct Case {
    const char* rule;
    RawServer::Responder answer;
    std::string body;
    std::vector<std::string> stored;
  };
  const std::vector<Case> cases = {
      // The send fails after a redirect: no final response, no capture.
      {"redirect to a closed port",
       [&](const std::string&) {
         return RawReply{"HTTP/1.1 302 Found\r\nLocation: http://127.0.0.1:" + std::to_string(nothing_listens) +
                         "/\r\nSet-Cookie: hop=1\r\nContent-Length: 0\r\n\r\n"};
       },
       "",
       {}},
      {"one redirect too many",
       [](const std::string&) {
         return RawReply{"HTTP/1.1 302 Found\r\nLocation: /again\r\nSet-Cookie: hop=1\r\nContent-Length: 0\r\n\r\n"};
       },
       "",
       {}},
      {"interim answer, then the connection closes",
       [](const std::string&) { return RawReply{"HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n"}; },
       "",
       {}},
      {"status line that is no HTTP",
       [](const std::string&) { return RawReply{"HTTP/1.1 abc OK\r\nSet-Cookie: bad=1\r\nContent-Length: 2\r\n\r\nok"}; },
       "",
       {}},
      // A read failing in the body: the rest of the fetch runs as usual.
      {"final header block, then the connection closes",
       [](const std::string&) {
         return RawReply{"HTTP/1.1 200 OK\r\nSet-Cookie: kept=1\r\nContent-Length: 10\r\n\r\n"};
       },
       "",
       {"kept"}},
      {"interim answer, then the final one",
       [](const std::string&) {
         return RawReply{"HTTP/1.1 100 Continue\r\nSet-Cookie: early=1\r\n\r\n" +
                         ok_response("x", "Set-Cookie: final=1\r\n")};
       },
       "x",
       {"final"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    http::clear_cookies();
    RawServer server(c.answer);
    EXPECT_EQ(fetch_page_text(server.url("/again")), c.body);
    EXPECT_EQ(cookie_names(), c.stored);
  }
}

TEST_F(FetchTest, CookieLineLosesItsFirstTwelveBytesWhereverTheNameStands) {
  // "X-Note: Set-" goes, so the name is "Cookie: q".
  RawServer server(ok_response("x", "X-Note: Set-Cookie: q=9\r\n"));
  EXPECT_EQ(fetch_page_text(server.url("/")), "x");
  ASSERT_EQ(http::stored_cookies().size(), 1u);
  EXPECT_THAT(http::stored_cookies().front(), ::testing::EndsWith("\tCookie: q\t9"));
}

TEST_F(FetchTest, CookieStaysWithTheHostThatSetItWhateverDomainItNames) {
  // localhost and 127.0.0.1 reach the same server but are different hosts.
  RawServer server(ok_response("x", "Set-Cookie: a=1; domain=127.0.0.1; path=/\r\n"));
  const std::string port = std::to_string(server.port());
  EXPECT_EQ(fetch_page_text("http://localhost:" + port + "/set"), "x");
  EXPECT_EQ(fetch_page_text("http://127.0.0.1:" + port + "/other"), "x");
  EXPECT_EQ(fetch_page_text("http://localhost:" + port + "/same"), "x");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_THAT(requests[1], Not(HasSubstr("Cookie:")));
  EXPECT_THAT(head_lines(requests[2]), Contains("Cookie: a=1"));
}

TEST_F(FetchTest, BodyComesAsTheServerEncodedIt) {
  // Chunks are a transfer coding and are undone; no Accept-Encoding is sent,
  // so a content coding stays as it came.
  const std::string gzip_hello("\x1F\x8B\x08\x00\x00\x00\x00\x00\x02\x03\xCB\x48\xCD\xC9\xC9\x07\x00\x86\xA6\x10\x36\x05\x00\x00\x00", 25);
  struct Case {
    const char* rule;
    std::string response;
    std::string body;
  };
  const std::vector<Case> cases = {
      {"chunked", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n3\r\nabc\r\n5\r\ndefgh\r\n0\r\n\r\n", "abcdefgh"},
      {"gzip content coding", ok_response(gzip_hello, "Content-Encoding: gzip\r\n"), gzip_hello},
      {"HTTP/1.0 body up to the close", "HTTP/1.0 200 OK\r\n\r\nto the end", "to the end"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    RawServer server(c.response);
    Text headers;
    EXPECT_EQ(as_string(fetch_page(server.url("/"), "", "", headers, "")), c.body);
  }
}

TEST_F(FetchTest, TwentyFetchesAtOnceShareTheCookieStore) {
  set_process_events_handler(nullptr);
  HttpServer server([](httplib::Server& s) {
    s.Get(R"(/set/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
      const std::string n = req.matches[1];
      res.set_header("Set-Cookie", "c" + n + "=" + n + "; path=/");
      res.set_content("body " + n, "text/plain");
    });
    s.Get("/echo", [](const httplib::Request& req, httplib::Response& res) {
      res.set_content(req.get_header_value("Cookie"), "text/plain");
    });
  });
  constexpr int kThreads = 20;
  std::vector<Text> bodies(kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] { bodies[i] = fetch_page_text(server.url("/set/" + std::to_string(i))); });
  }
  for (auto& t : threads) t.join();
  const Text cookies = fetch_page_text(server.url("/echo"));
  for (int i = 0; i < kThreads; ++i) {
    EXPECT_EQ(bodies[i], with_number("body ", i));
    EXPECT_THAT(cookies, HasSubstr(with_number(with_number("c", i) + "=", i)));
  }
}

TEST_F(FetchTest, UrlCannotAddHeaderLines) {
  RawServer server(ok_response("x"));
  const std::string url = server.url("/a b\r\nX-Injected: 1\r\n");
  Text headers;
  fetch_page(url, "", "", headers, "");
  const auto lines = head_lines(server.requests().back());
  EXPECT_EQ(lines.front(), "GET /a%20b%0D%0AX-Injected:%201%0D%0A HTTP/1.1");
  const std::string referer = "Referer: " + server.url("/a b%0D%0AX-Injected: 1%0D%0A");
  EXPECT_THAT(lines, Contains(referer));
  EXPECT_THAT(headers, HasSubstr(referer + "\r\n"));
  for (const std::string& line : lines) EXPECT_THAT(line, Not(StartsWith("X-Injected")));
}

TEST_F(FetchTest, ProxyTextOfBlanksMeansDirect) {
  RawServer proxy(ok_response("from proxy"));
  RawServer origin(ok_response("from origin"));
  struct Case {
    const char* rule;
    std::string proxy;
    const RawServer* expected;
  };
  const std::vector<Case> cases = {
      {"spaces", "   ", &origin},
      {"full-width blank", "\xA1\xA1", &origin},  // 　
      {"address with blanks around", " 127.0.0.1:" + std::to_string(proxy.port()) + " ", &proxy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Text headers;
    const std::string body = as_string(fetch_page(origin.url("/p"), "", c.proxy, headers, ""));
    EXPECT_EQ(body, c.expected == &proxy ? "from proxy" : "from origin");
  }
  ASSERT_EQ(proxy.requests().size(), 1u);
  EXPECT_EQ(head_lines(proxy.requests().front()).front(), "GET " + origin.url("/p") + " HTTP/1.1");
}

}  // namespace
}  // namespace chaxun
