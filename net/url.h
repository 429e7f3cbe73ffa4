// URL parts: host, port and path of the plain "http://" URLs the lookups
// build (a URL without a scheme is accepted too). No other scheme, no user
// name or password, no percent-escapes are recognised; nothing is validated
// and nothing fails: every text yields a host, a port and a path.
#pragma once

#include <cstdint>
#include <string_view>

#include "text/text.h"

namespace chaxun {

// The server name, ASCII letters lower-cased, without scheme, port or path.
Text url_host(std::string_view url);
// The port number; 80 when the URL names none, 0 when the port text does not
// begin with a number. No range is enforced.
std::int32_t url_port(std::string_view url);
// Path and query from the first "/" after the host to the end, in the URL's
// own letter case; "/" when there is none.
Text url_path(std::string_view url);

}  // namespace chaxun
