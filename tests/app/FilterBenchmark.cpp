// Messages per second through the application's message loop, with the main
// window's input filter installed and the page's in-place active object known,
// against the same loop without a filter. Runs against the platform's real
// WebBrowser control. A figure to read, not a pass/fail test.
//   filter_benchmark [messages-per-round] [rounds]
#include "toolkit/Win.h"

#include "app/MainForm.h"
#include "toolkit/Application.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kvx::test {
namespace {

// The target of the posted messages: a plain child of the main window.
class TSink : public TWinControl {
 public:
  using TWinControl::TWinControl;
  long Received = 0;

 protected:
  LRESULT WndProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
    if (msg == WM_USER + 1) {
      ++Received;
      return 0;
    }
    return TWinControl::WndProc(msg, wParam, lParam);
  }
};

double Round(TApplication& application, TSink& sink, int messages) {
  const auto start = std::chrono::steady_clock::now();
  int posted = 0;
  MSG msg;
  // Batches stay well below the queue's limit of posted messages.
  while (posted < messages) {
    const int batch = std::min(2000, messages - posted);
    for (int i = 0; i < batch; ++i) PostMessageW(sink.Handle(), WM_USER + 1, 'A', 0);
    posted += batch;
    while (application.ProcessMessage(msg)) {
    }
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return messages / seconds;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

// A friend of the main window: it reads the filter's state and calls the
// control the way the filter does.
class TFilterBenchmark {
 public:
  static int Run(int messages, int rounds);
};

int TFilterBenchmark::Run(int messages, int rounds) {
  TOleInitialize ole;
  TApplication application;
  TMainForm form({"0", "0", "0", "400", "about:blank"});
  TSink sink(&form);
  sink.HandleNeeded();
  form.Show();
  application.ProcessMessages();

  const TApplication::TMessageEvent filter = application.OnMessage;
  // Let the filter find the in-place active object once, as the shell does.
  for (int i = 0; i < 200 && !form.FActiveObject; ++i) {
    PostMessageW(sink.Handle(), WM_USER + 1, 0, 0);
    application.ProcessMessages();
    Sleep(10);
  }
  std::printf("in-place active object known: %s\n", form.FActiveObject ? "yes" : "no");

  std::vector<double> with, without;
  for (int r = 0; r < rounds; ++r) {
    application.OnMessage = filter;
    with.push_back(Round(application, sink, messages));
    application.OnMessage = nullptr;
    without.push_back(Round(application, sink, messages));
  }
  const double w = Median(with), wo = Median(without);

  // Where the filter's time goes: the two calls into the control it makes per message.
  auto perCall = [&](auto&& call) {
    const int n = 20000;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < n; ++i) call();
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
               .count() /
           n;
  };
  MSG sample{sink.Handle(), WM_USER + 1, 'A', 0, 0, {}};
  const double busy = perCall([&] { form.WebBrowser1->GetBooleanProperty(212); });
  const double accelerator =
      form.FActiveObject ? perCall([&] { form.FActiveObject->TranslateAccelerator(&sample); }) : 0;
  std::printf("messages per round: %d, rounds: %d (alternating)\n", messages, rounds);
  std::printf("with the filter:    %.0f messages/s (median)\n", w);
  std::printf("without the filter: %.0f messages/s (median)\n", wo);
  std::printf("ratio with/without: %.3f\n", w / wo);
  const double keyState = perCall([] { GetKeyState(VK_CONTROL); });
  std::printf("per call: Busy read %.2f us, TranslateAccelerator %.2f us, GetKeyState %.2f us\n",
              busy, accelerator, keyState);
  return 0;
}

}  // namespace kvx::test

int main(int argc, char** argv) {
  const int messages = argc > 1 ? std::atoi(argv[1]) : 100000;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  return kvx::test::TFilterBenchmark::Run(messages > 0 ? messages : 100000,
                                          rounds > 0 ? rounds : 5);
}
