// The User-Agent header that the platform's real WebBrowser control sends
// when a browser host component navigates it, in each user-agent mode: a
// loopback HTTP server of this test records every request. Each mode runs in
// a process of its own, as a shell would, since the platform builds its agent
// text once per process.
#include "toolkit/Win.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include "browser/settings/UserRegistryValues.h"
#include "tests/support/ToolsTestSupport.h"
#include "tests/e2e/SettingsHolderProcess.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iterator>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace kvx::test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

struct TRequest {
  std::string Path;
  std::optional<std::string> UserAgent;
};

// An HTTP server on a loopback port the system chooses: answers every
// request with a small page and keeps what each request asked and carried.
class TLoopbackServer {
 public:
  TLoopbackServer() {
    WSADATA data;
    FStarted = WSAStartup(MAKEWORD(2, 2), &data) == 0;
    FListener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    if (FListener == INVALID_SOCKET ||
        bind(FListener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        listen(FListener, SOMAXCONN) != 0 ||
        getsockname(FListener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
      return;
    FPort = ntohs(address.sin_port);
    FThread = std::thread([this] { Serve(); });
  }
  ~TLoopbackServer() {
    FStopping = true;
    if (FThread.joinable()) FThread.join();
    if (FListener != INVALID_SOCKET) closesocket(FListener);
    if (FStarted) WSACleanup();
  }
  TLoopbackServer(const TLoopbackServer&) = delete;
  TLoopbackServer& operator=(const TLoopbackServer&) = delete;

  unsigned short Port() const { return FPort; }

  // The first request for `path`, once it has come.
  std::optional<TRequest> WaitRequest(const std::string& path, std::chrono::milliseconds limit) {
    std::unique_lock lock(FMutex);
    std::optional<TRequest> found;
    FArrived.wait_for(lock, limit, [&] {
      for (const TRequest& request : FRequests)
        if (request.Path == path) found = request;
      return found.has_value();
    });
    return found;
  }

 private:
  void Serve() {
    while (!FStopping) {
      fd_set readable;
      FD_ZERO(&readable);
      FD_SET(FListener, &readable);
      timeval wait{0, 100000};
      if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
      SOCKET client = accept(FListener, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      Answer(client);
      closesocket(client);
    }
  }

  void Answer(SOCKET client) {
    // Well inside the wait limit: a connection that never sends its request
    // holds up the next one for a moment only.
    DWORD timeout = 10000;
    setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
               sizeof(timeout));
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
      const int received = recv(client, buffer, sizeof(buffer), 0);
      if (received <= 0) return;
      head.append(buffer, static_cast<std::size_t>(received));
    }
    const std::string page = "<html><body>Korvexa</body></html>";
    const std::string answer = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                               std::to_string(page.size()) + "\r\nConnection: close\r\n\r\n" + page;
    send(client, answer.data(), static_cast<int>(answer.size()), 0);
    std::lock_guard lock(FMutex);
    FRequests.push_back(Parse(head));
    FArrived.notify_all();
  }

  static TRequest Parse(const std::string& head) {
    TRequest request;
    const std::size_t pathStart = head.find(' ') + 1;
    request.Path = head.substr(pathStart, head.find(' ', pathStart) - pathStart);
    for (std::size_t line = head.find("\r\n"); line != std::string::npos && line + 2 < head.size();
         line = head.find("\r\n", line + 2)) {
      const std::size_t end = head.find("\r\n", line + 2);
      std::string header = head.substr(line + 2, end - line - 2);
      std::string name = header.substr(0, header.find(':'));
      std::transform(name.begin(), name.end(), name.begin(),
                     [](unsigned char c) { return std::tolower(c); });
      if (name != "user-agent") continue;
      std::size_t value = header.find(':') + 1;
      while (value < header.size() && header[value] == ' ') ++value;
      request.UserAgent = header.substr(value);
    }
    return request;
  }

  bool FStarted = false;
  SOCKET FListener = INVALID_SOCKET;
  unsigned short FPort = 0;
  std::atomic<bool> FStopping{false};
  std::thread FThread;
  std::mutex FMutex;
  std::condition_variable FArrived;
  std::vector<TRequest> FRequests;
};

TEST(UserAgentHeaderE2E, UnderWineTheRealControlSendsThePlatformsOwnAgentInEveryMode) {
  TUserSettingsGuard guard;
  // Straight to the loopback server, whatever proxy the user has.
  ASSERT_TRUE(
      (TProxySnapshot{PROXY_TYPE_DIRECT, std::nullopt, std::nullopt, std::nullopt}.Restore()));
  TLoopbackServer server;
  ASSERT_NE(server.Port(), 0);
  const std::wstring base = L"http://127.0.0.1:" + std::to_wstring(server.Port());

  struct Case {
    const wchar_t* mode;
    const wchar_t* agent;
    const char* path;
  };
  const Case cases[] = {
      {L"default", L"KorvexaDefault/1.0", "/default"},
      {L"internal", L"KorvexaAmbient/1.0", "/internal"},
      {L"registry", L"KorvexaRegistry/1.0", "/registry"},
  };
  const std::wstring registryAgent =
      L"User-agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)(KorvexaRegistry/1.0)";
  std::vector<std::string> headers;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    TSettingsHolder holder(std::wstring(L"--agent-mode=") + c.mode + L" --agent=" + c.agent +
                           L" --navigate=" + base +
                           std::wstring(c.path, c.path + std::char_traits<char>::length(c.path)));
    ASSERT_TRUE(holder.WaitReady());
    std::optional<TRequest> request = server.WaitRequest(c.path, kWaitLimit);
    if (!request && headers.empty())
      GTEST_SKIP()
          << "The platform's WebBrowser control sent no request to the loopback server: its engine "
             "loads no page in this prefix.";
    ASSERT_TRUE(request) << "the control loaded the first page but not this one";
    ASSERT_TRUE(request->UserAgent) << "a request without a User-Agent header";
    // The agent was in the user's settings when the control asked for the page.
    EXPECT_EQ(ReadText(std::wstring(PostPlatformKey), registryAgent.c_str()).has_value(),
              std::wstring(c.mode) == L"registry");
    headers.push_back(*request->UserAgent);
    std::printf("User-Agent in mode %ls: %s\n", c.mode, request->UserAgent->c_str());
    EXPECT_EQ(holder.Stop(), std::optional<DWORD>(0));
  }
  ASSERT_EQ(headers.size(), std::size(cases));
  EXPECT_THAT(headers[0], HasSubstr("Mozilla/"));
  if (!RunningOnWine())
    GTEST_SKIP() << "the headers above are recorded; what they hold is known for Wine only";
  // Wine's control announces the platform's own agent in every mode: neither
  // the agent in the registry nor the host's ambient one reaches the header.
  for (const std::string& header : headers) {
    EXPECT_EQ(header, headers[0]);
    EXPECT_THAT(header, Not(HasSubstr("Korvexa")));
  }
}

}  // namespace
}  // namespace kvx::test
