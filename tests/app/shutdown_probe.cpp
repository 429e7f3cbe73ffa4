// The chaxun program with two lookups that wait for a server that never
// answers, for the shutdown test. Usage: shutdown_probe PORT
//   At start it presses Enter in the input box (area-code lookup) and clicks
//   the IP button (own-address lookup). The first fetches http://127.0.0.1:PORT/
//   with the program's page fetch (which lets the worker's own events be
//   handled while it waits); the second connects with a plain socket, sends a
//   request and blocks reading the answer. A line "close" on standard input
//   presses Esc in the input box; a line "wm-close" closes the window the way
//   the window manager's close button does. The exit routine prints "exit
//   routine ran".
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTimer>
#include <QWindow>

#include "app/app_main.h"
#include "lookups/globals.h"
#include "net/fetch.h"

namespace {

int g_port = 0;

void say(std::string_view line) {
  // write(2) directly: the process may end at any moment after this.
  [[maybe_unused]] ssize_t n = ::write(STDOUT_FILENO, line.data(), line.size());
}

// Connects, sends a request and blocks until the server answers or closes.
void wait_for_server(chaxun::LookupView& view) {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(g_port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    constexpr std::string_view request = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    [[maybe_unused]] ssize_t sent = ::send(fd, request.data(), request.size(), 0);
    char buffer[512];
    while (::recv(fd, buffer, sizeof buffer, 0) > 0) {
    }
  }
  ::close(fd);
  say("worker woke\n");
  view.set_content(chaxun::Box::Display, "answer");
  say("worker wrote\n");
}

// The page fetch, as the lookups use it.
void fetch_from_server(chaxun::LookupView& view) {
  const chaxun::Text page = chaxun::fetch_page_text("http://127.0.0.1:" + std::to_string(g_port) + "/");
  say("fetch returned\n");
  view.set_content(chaxun::Box::Display, page);
}

void exit_routine() {
  chaxun::free_globals();
  say("exit routine ran\n");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  g_port = std::atoi(argv[1]);

  chaxun::AppOptions options;
  options.routines.area_code = fetch_from_server;
  options.routines.own_address = wait_for_server;
  options.exit_routine = exit_routine;
  options.on_created = [](chaxun::LookupWindow& window) {
    QTimer::singleShot(0, &window, [&window] {
      QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
      QCoreApplication::sendEvent(window.input_box(), &enter);
      window.ip_button()->click();
      say("queries started\n");
    });
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, &window);
    QObject::connect(notifier, &QSocketNotifier::activated, &window, [&window, notifier] {
      char buffer[64];
      const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
      const std::string_view line(buffer, n > 0 ? static_cast<size_t>(n) : 0);
      if (n > 0 && line.find("close") == std::string_view::npos) return;
      notifier->setEnabled(false);
      say("closing\n");
      if (line.find("wm-close") != std::string_view::npos) {
        // The platform's close request, as the window manager sends it.
        window.windowHandle()->close();
        return;
      }
      QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
      QCoreApplication::sendEvent(window.input_box(), &escape);
    });
  };
  chaxun::run_app(argc, argv, std::move(options));
}
