#include "net/http_layer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/net/test_servers.h"

namespace chaxun::http {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using chaxun::net_test::head_lines;
using chaxun::net_test::ok_response;
using chaxun::net_test::RawReply;
using chaxun::net_test::RawServer;

class HttpLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    global_init();
    clear_cookies();
    set_timeouts_for_testing(std::chrono::milliseconds(2000), std::chrono::seconds(1));
  }
  void TearDown() override {
    reset_timeouts();
    clear_cookies();
  }

  // Opens session, connection and request to 127.0.0.1:port.
  static Request request_to(int port, std::string_view method, std::string_view path,
                            std::string_view proxy = "", std::string_view host = "127.0.0.1") {
    Session session = open_session("TestAgent/1.0", proxy);
    Connection connection = connect(session, host, port);
    return open_request(connection, method, path, "HTTP/1.1", true);
  }
};

TEST_F(HttpLayerTest, StepsThatCannotBeMadeGiveEmptyHandles) {
  // The agent goes on the wire as it is: no line break may hide in it.
  EXPECT_FALSE(open_session("Agent\r\nX-Injected: 1", ""));
  // A proxy is a host and a port, blanks around it aside.
  EXPECT_FALSE(open_session("A", "127.0.0.1 :8080"));
  EXPECT_FALSE(open_session("A", "proxy\r\n:8080"));
  EXPECT_TRUE(open_session("A", " \t127.0.0.1:8080 "));

  Session session = open_session("A", "");
  ASSERT_TRUE(session);
  for (int port : {-1, 65536, 70000, INT32_MIN}) {
    SCOPED_TRACE(port);
    EXPECT_FALSE(connect(session, "127.0.0.1", port));  // outside 0..65535
  }
  EXPECT_TRUE(connect(session, "127.0.0.1", 0));  // 0 stands for 80
  EXPECT_TRUE(connect(session, "127.0.0.1", 65535));

  // An empty handle makes every later step empty too.
  EXPECT_FALSE(connect(Session(), "127.0.0.1", 80));
  EXPECT_FALSE(open_request(Connection(), "GET", "/", "HTTP/1.1", true));
  Connection connection = connect(session, "127.0.0.1", 80);
  EXPECT_FALSE(open_request(connection, "GET", "/", "HTTP/2", true));
  EXPECT_TRUE(open_request(connection, "GET", "/", "", true));

  Request empty;
  EXPECT_FALSE(send_request(empty, "", ""));
  std::uint8_t byte = 0;
  EXPECT_EQ(read_body(empty, &byte, 1), 0u);
  Text capture = "untouched";
  EXPECT_FALSE(query_raw_headers(empty, capture));
  EXPECT_EQ(capture, "untouched");
}

TEST_F(HttpLayerTest, BadHostOrMethodFailsTheSendWithoutTouchingTheNetwork) {
  RawServer server(ok_response("x"));
  struct Case {
    const char* rule;
    const char* host;
    const char* method;
  };
  const std::vector<Case> cases = {
      // A user name would make curl connect to the host after "@".
      {"user name in host", "user@127.0.0.1", "GET"},
      {"blank in host", "127.0.0.1 x", "GET"},
      {"empty host", "", "GET"},
      {"query in host", "127.0.0.1?q=1", "GET"},
      // The method is a token: a blank or a line break would rewrite the
      // request line.
      {"blank in method", "127.0.0.1", "GET /evil"},
      {"line break in method", "127.0.0.1", "GET\r\nX-Injected: 1\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Request request = request_to(server.port(), c.method, "/", "", c.host);
    ASSERT_TRUE(request);
    EXPECT_FALSE(send_request(request, "", ""));
    std::uint8_t byte = 0;
    EXPECT_EQ(read_body(request, &byte, 1), 0u);
  }
  EXPECT_THAT(server.requests(), IsEmpty());

  // A request goes out once.
  Request request = request_to(server.port(), "GET", "/");
  EXPECT_TRUE(send_request(request, "", ""));
  EXPECT_FALSE(send_request(request, "", ""));
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(HttpLayerTest, RequestTargetIsEncodedOnlyWhereABytesCannotStand) {
  RawServer server(ok_response("x"));
  struct Case {
    const char* rule;
    std::string path;
    const char* target;
  };
  const std::vector<Case> cases = {
      // Query, "%", "." segments and the other printable bytes go as given.
      {"as built", "/a/../b/./c?x=1&y=%41+z~!$'()*,;:@[]{}|^`\"<>\\", "/a/../b/./c?x=1&y=%41+z~!$'()*,;:@[]{}|^`\"<>\\"},
      {"blank", "/a b", "/a%20b"},
      // CR LF cannot end the request line.
      {"line break", "/x\r\nX-Injected: 1", "/x%0D%0AX-Injected:%201"},
      {"control and DEL", std::string("/\x01\x7F\t", 4), "/%01%7F%09"},
      {"bytes of GBK", "/q=\xD6\xD0\xB9\xFA", "/q=%D6%D0%B9%FA"},  // 中国
      // "#" would cut the rest off as a fragment.
      {"hash", "/a#b", "/a%23b"},
      {"empty path", "", "/"},
      {"no leading slash", "x?y", "/x?y"},
      {"double slash", "//a", "//a"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Request request = request_to(server.port(), "", c.path);
    ASSERT_TRUE(send_request(request, "", ""));
    EXPECT_EQ(head_lines(server.requests().back()).front(), "GET " + std::string(c.target) + " HTTP/1.1");
  }
}

TEST_F(HttpLayerTest, HeaderLinesGoOutInOrderOneLineEach) {
  RawServer server(ok_response("x"));
  Request request = request_to(server.port(), "GET", "/h");
  ASSERT_TRUE(send_request(request,
                           "B: 2\r\n"
                           "A: 1\n"              // a lone LF ends a line
                           "C: 3\rD:\r\n"        // so does a lone CR; "D:" keeps its empty value
                           "no colon\r\n"        // not a header: dropped
                           "content-length: 99\r\n"  // the layer's own length rules
                           "Content-Length : 98\r\n"  // whatever the blanks
                           "\r\n"                // an empty line ends nothing early
                           "E: 5",
                           "ignored for a GET"));
  const std::string port = std::to_string(server.port());
  EXPECT_EQ(server.requests().back(),
            "GET /h HTTP/1.1\r\nHost: 127.0.0.1:" + port +
                "\r\nUser-Agent: TestAgent/1.0\r\nB: 2\r\nA: 1\r\nC: 3\r\nD:\r\nE: 5\r\n\r\n");
}

TEST_F(HttpLayerTest, PostCarriesItsBodyWithTheLayersLength) {
  RawServer server(ok_response("x"));
  struct Case {
    const char* rule;
    const char* headers;
    const char* body;
    const char* expected_tail;  // after the User-Agent line
  };
  const std::vector<Case> cases = {
      {"form body", "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n", "a=1&b=2",
       "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 7\r\n\r\na=1&b=2"},
      // A wrong length from the caller cannot desynchronise the connection.
      {"wrong length given", "Content-Length: 100\r\n", "abc", "Content-Length: 3\r\n\r\nabc"},
      // No Content-Type of curl's own, but the length that tells the server
      // there is no body.
      {"empty body", "", "", "Content-Length: 0\r\n\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    Request request = request_to(server.port(), "POST", "/p");
    ASSERT_TRUE(send_request(request, c.headers, c.body));
    EXPECT_EQ(server.requests().back(), "POST /p HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(server.port()) +
                                            "\r\nUser-Agent: TestAgent/1.0\r\n" + c.expected_tail);
  }
}

TEST_F(HttpLayerTest, SendFailsWhenNoAnswerBegins) {
  RawServer silent([](const std::string&) { return RawReply{"", RawReply::After::kHold}; });
  struct Case {
    const char* rule;
    int port;
  };
  // A refused connection; a server that accepts and never answers (the stall
  // time ends it).
  for (const Case& c : {Case{"nothing listens", chaxun::net_test::unused_port()}, Case{"silent", silent.port()}}) {
    SCOPED_TRACE(c.rule);
    Request request = request_to(c.port, "GET", "/");
    EXPECT_FALSE(send_request(request, "", ""));
    std::uint8_t byte = 0;
    EXPECT_EQ(read_body(request, &byte, 1), 0u);
    Text capture(1024, ' ');
    EXPECT_FALSE(query_raw_headers(request, capture));
  }
}

TEST_F(HttpLayerTest, BodyIsHandedOutInPiecesUntilAReadOfZero) {
  const std::string body(1000, 'b');
  RawServer server(ok_response(body));
  Request request = request_to(server.port(), "GET", "/");
  std::vector<std::uint8_t> buffer(512);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 0u);  // nothing before the send
  ASSERT_TRUE(send_request(request, "", ""));
  EXPECT_EQ(announced_body_length(request), 1000);
  EXPECT_EQ(read_body(request, buffer.data(), 0), 0u);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 512u);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 488u);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 0u);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 0u);
}

TEST_F(HttpLayerTest, HeaderQueryNeedsRoomForTheBlockAndAZero) {
  // Bare LF line ends are given back as CR LF; the empty line is not part of
  // the block.
  RawServer server("HTTP/1.1 200 OK\nX-A: 1\nContent-Length: 2\n\nok");
  const std::string block = "HTTP/1.1 200 OK\r\nX-A: 1\r\nContent-Length: 2\r\n";
  Request request = request_to(server.port(), "GET", "/");
  Text capture = "unchanged";
  EXPECT_FALSE(query_raw_headers(request, capture));  // nothing received yet
  ASSERT_TRUE(send_request(request, "", ""));

  capture = std::string(block.size(), ' ');  // no room for the zero
  EXPECT_FALSE(query_raw_headers(request, capture));
  EXPECT_EQ(capture, std::string(block.size(), ' '));

  capture = std::string(block.size() + 1, ' ');
  EXPECT_TRUE(query_raw_headers(request, capture));
  EXPECT_EQ(capture, block);
}

TEST_F(HttpLayerTest, ProxyReceivesTheAbsoluteUrl) {
  RawServer proxy(ok_response("via proxy"));
  // The host is never resolved here: the proxy does that.
  Request request = request_to(8080, "GET", "/x?y=1", " 127.0.0.1:" + std::to_string(proxy.port()) + " ",
                               "origin.invalid");
  ASSERT_TRUE(send_request(request, "", ""));
  ASSERT_EQ(proxy.requests().size(), 1u);
  const auto lines = head_lines(proxy.requests().front());
  EXPECT_EQ(lines.front(), "GET http://origin.invalid:8080/x?y=1 HTTP/1.1");
  EXPECT_THAT(lines, ::testing::Contains("Host: origin.invalid:8080"));
  std::vector<std::uint8_t> buffer(64);
  EXPECT_EQ(read_body(request, buffer.data(), 64), 9u);
}

TEST_F(HttpLayerTest, StalledTransferIsAbortedKeepingWhatArrived) {
  RawServer server([](const std::string&) {
    return RawReply{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\n0123456789", RawReply::After::kHold};
  });
  Request request = request_to(server.port(), "GET", "/");
  EXPECT_TRUE(send_request(request, "", ""));  // the body has begun
  std::vector<std::uint8_t> buffer(512);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 10u);
  EXPECT_EQ(read_body(request, buffer.data(), 512), 0u);  // given up after the stall
  Text capture(1024, ' ');
  EXPECT_TRUE(query_raw_headers(request, capture));
  EXPECT_THAT(capture, HasSubstr("Content-Length: 100\r\n"));
}

TEST_F(HttpLayerTest, StoredCookiesGoToTheirHostOnAnyPort) {
  struct Case {
    const char* rule;
    const char* url;
    const char* name;
    std::string_view data;
    bool stored;
  };
  const std::vector<Case> cases = {
      {"name and value with attributes", "http://127.0.0.1", "a", "1; path=/", true},
      // Port and path of the URL play no part.
      {"URL with port and path", "http://127.0.0.1:9/x/y", "b", "2", true},
      // Without a name the data is the whole cookie.
      {"whole cookie as data", "http://127.0.0.1", "", "c=3", true},
      // The host of the URL wins over a domain the data names.
      {"foreign domain", "http://127.0.0.1", "d", "4; domain=elsewhere.example", true},
      // The store holds no nameless cookie, and must not make one of the
      // attributes either.
      {"no name, no =", "http://127.0.0.1", "", "flag; domain=127.0.0.1", false},
      {"empty name before =", "http://127.0.0.1", "", "=5; domain=127.0.0.1", false},
      {"no host", "http://", "e", "6", false},
      {"host with user name", "http://u@127.0.0.1", "f", "7", false},
      // A zero byte would end the line where curl reads it, before the domain.
      {"zero byte in data", "http://127.0.0.1", "g", std::string_view("8\0; domain=elsewhere.example", 28), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rule);
    EXPECT_EQ(set_cookie(c.url, c.name, c.data), c.stored);
  }
  EXPECT_EQ(stored_cookies().size(), 4u);

  RawServer server(ok_response("x"));
  Request request = request_to(server.port(), "GET", "/deep/path");
  ASSERT_TRUE(send_request(request, "", ""));
  const auto lines = head_lines(server.requests().back());
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_THAT(lines[3], ::testing::StartsWith("Cookie: "));
  for (const char* pair : {"a=1", "b=2", "c=3", "d=4"}) EXPECT_THAT(lines[3], HasSubstr(pair));
}

TEST_F(HttpLayerTest, ResponseCookiesAreNotStoredByTheLayer) {
  RawServer server(ok_response("x", "Set-Cookie: z=1; path=/\r\n"));
  Request request = request_to(server.port(), "GET", "/");
  ASSERT_TRUE(send_request(request, "", ""));
  EXPECT_THAT(stored_cookies(), IsEmpty());
  Request again = request_to(server.port(), "GET", "/");
  ASSERT_TRUE(send_request(again, "", ""));
  EXPECT_THAT(server.requests().back(), Not(HasSubstr("Cookie")));
}

}  // namespace
}  // namespace chaxun::http
