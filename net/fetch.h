// Page fetch: one HTTP request for a full URL, returning the response body.
#pragma once

#include <string_view>

#include "text/text.h"

namespace chaxun {

// Performs one request and returns the body. See fetch.cpp's header comment
// for the full contract. `headers` is read and written: on return it holds
// the lines that were sent (the caller's lines plus the default lines).
Bytes fetch_page(std::string_view url, std::string_view method, std::string_view proxy, Text& headers,
                 std::string_view body);

// A GET with all defaults; the body up to its first zero byte.
Text fetch_page_text(std::string_view url);

// Handles the events already waiting for the calling thread. The window layer
// installs the handler; without one this does nothing.
void process_events();
using ProcessEventsHandler = void (*)();
void set_process_events_handler(ProcessEventsHandler handler);

}  // namespace chaxun
