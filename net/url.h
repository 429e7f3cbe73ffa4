// URL parts: host, port and path of the plain "http://" URLs the lookups
// build (a URL without a scheme is accepted too). No other scheme, no user
// name or password, no percent-escapes are recognised; nothing is validated
// and nothing fails: every text, the empty one included, yields a host, a port
// and a path. All three are pure and thread-safe.
//
// The host part is what lies between the scheme "http://" (any letter case;
// absent: from byte 1) and the first "/" after it, or to the end of the URL
// when there is no such "/". Host and port are split at its first ":".
//
//   URL                            host         port   path
//   "http://SerVer:8080/a?b=C"     "server"     8080   "/a?b=C"
//   "server:81"                    "server"     81     "/"
//   "http://server?q=1"            "server?q=1" 80     "/"
//   "https://server/x"             "https"      0      "//server/x"
//   "http://user:pw@server/x"      "user"       0      "/x"
//   ""                             ""           80     "/"
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace chaxun {

// The host: the host part up to (not including) its first ":", or the whole
// host part; ASCII letters lower-cased, two-byte characters unchanged. Empty
// for an empty URL and for "http://" alone.
Text url_host(std::string_view url);

// The port: the number at the start of the text after the first ":" of the
// host part, truncated toward zero ("8080.9" gives 8080) and saturated to the
// 32-bit range; 80 when the host part holds no ":"; 0 when the text after the
// ":" does not begin with a number (empty, letters, a password). No range is
// enforced otherwise.
std::int32_t url_port(std::string_view url);

// The path: everything from the first "/" at or after the first occurrence of
// url_host(url) in the URL (searched from byte 1 ignoring case, scheme
// included) to the end, query included, in the URL's own letter case; "/"
// when there is no such "/". Because the search includes the scheme, a host
// that also occurs in "http://" (such as "t" or the empty host) makes the
// path start inside the scheme: "http://t/x" gives "//t/x".
Text url_path(std::string_view url);

}  // namespace chaxun
