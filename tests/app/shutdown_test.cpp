// Closing the window ends the process at once, the exit routine having run,
// while workers wait for a server that never answers.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

namespace {

// A loopback server that accepts connections and never answers.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd_, 8) != 0 || ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
  }
  ~SilentServer() {
    for (int fd : clients_) ::close(fd);
    if (fd_ >= 0) ::close(fd_);
  }
  SilentServer(const SilentServer&) = delete;
  SilentServer& operator=(const SilentServer&) = delete;

  int port() const { return port_; }
  // Accepts one connection and reads what the client sent; false on timeout.
  bool accept_request(int timeout_ms) {
    pollfd p{fd_, POLLIN, 0};
    if (::poll(&p, 1, timeout_ms) != 1) return false;
    const int client = ::accept(fd_, nullptr, nullptr);
    if (client < 0) return false;
    clients_.push_back(client);
    pollfd c{client, POLLIN, 0};
    if (::poll(&c, 1, timeout_ms) != 1) return false;
    char buffer[1024];
    return ::recv(client, buffer, sizeof buffer, 0) > 0;
  }
  // Hangs up on the connection accepted `index`-th (from 0).
  void hang_up(std::size_t index) {
    ::close(clients_.at(index));
    clients_.at(index) = -1;
  }

 private:
  int fd_ = -1;
  int port_ = 0;
  std::vector<int> clients_;
};

}  // namespace

class ShutdownTest : public QObject {
  Q_OBJECT

 private slots:
  void closing_ends_process_while_workers_wait_data();
  void closing_ends_process_while_workers_wait();
};

void ShutdownTest::closing_ends_process_while_workers_wait_data() {
  QTest::addColumn<QByteArray>("command");  // the line the probe closes on
  QTest::newRow("Esc") << QByteArray("close\n");
  QTest::newRow("window manager's close") << QByteArray("wm-close\n");
}

void ShutdownTest::closing_ends_process_while_workers_wait() {
  QFETCH(QByteArray, command);
  SilentServer server;
  QVERIFY(server.port() > 0);
  QProcess probe;
  probe.setProcessChannelMode(QProcess::SeparateChannels);
  probe.start(QStringLiteral(CHAXUN_SHUTDOWN_PROBE), {QString::number(server.port())});
  QVERIFY(probe.waitForStarted(10000));

  // Both workers are now waiting for their answer.
  QVERIFY(server.accept_request(20000));
  QVERIFY(server.accept_request(20000));

  QElapsedTimer since_close;
  probe.write(command);
  since_close.start();
  // One worker wakes up while the program is ending.
  server.hang_up(1);
  QVERIFY(probe.waitForFinished(10000));
  const qint64 elapsed = since_close.elapsed();

  const QByteArray out = probe.readAllStandardOutput();
  qInfo("process gone %lld ms after the close; output:\n%s", static_cast<long long>(elapsed), out.constData());
  QCOMPARE(probe.exitStatus(), QProcess::NormalExit);
  QCOMPARE(probe.exitCode(), 0);
  QVERIFY(out.contains("closing"));
  QVERIFY(out.contains("exit routine ran"));
  QCOMPARE(out.count("exit routine ran"), 1);
  QVERIFY2(elapsed < 1000, "the process outlived the window by a second or more");
}

QTEST_GUILESS_MAIN(ShutdownTest)
#include "shutdown_test.moc"
