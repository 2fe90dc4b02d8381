// Repaint cost of the 980 x 600 demo window, headless: the whole window, and one control whose
// text changed. Both are given against the 16.7 ms of one 60 Hz frame. With a display (run it
// under xvfb-run) it also shows the window through the GTK backend and measures the CPU time
// an idle window takes.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "bkwin/BkDialogViewImplEx.h"
#include "bkwin/BkLib.h"
#include "bkwin/BkWindow.h"
#include "platform/gtk/GtkWindowSystem.h"
#include "platform/window/HeadlessWindowSystem.h"

namespace {

constexpr int kDemoLayout = 19999;
constexpr int kStartButton = 160;
constexpr double kFrameMs = 1000.0 / 60.0;

template <class Step>
double MeanMs(int rounds, Step step) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i)
        step(i);
    const std::chrono::duration<double, std::milli> spent =
        std::chrono::steady_clock::now() - start;
    return spent.count() / rounds;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

bool MeasureRepaint() {
    platform::HeadlessWindowSystem system;
    BkWin::CBkDialogViewImplEx view(system);
    if (!view.Load(kDemoLayout)) {
        std::fprintf(stderr, "cannot load the demo layout: %s\n", view.LastError().c_str());
        return false;
    }
    view.NativeWindow()->Show();
    system.PaintPending();
    BkWin::CBkWindow* button = view.FindControl(kStartButton);
    if (!button) {
        std::fprintf(stderr, "the demo layout has no control %d\n", kStartButton);
        return false;
    }
    const double full = MeanMs(200, [&](int) {
        view.PlaceRegions();
        view.UpdateOffscreen();
    });
    const double dirty = MeanMs(2000, [&](int i) {
        button->SetText(i % 2 ? "开始转换" : "停止转换");
        view.UpdateOffscreen();
    });
    std::printf("full repaint   %7.3f ms  (%.3f of a 60 Hz frame)\n", full, full / kFrameMs);
    std::printf("one control    %7.3f ms  (%.3f of a 60 Hz frame, %.3f of a full repaint)\n", dirty,
                dirty / kFrameMs, dirty / full);
    return true;
}

void MeasureIdleWindow() {
    auto system = platform::GtkWindowSystem::Create();
    if (!system) {
        std::printf("idle window    skipped (no display; run under xvfb-run)\n");
        return;
    }
    BkWin::CBkDialogViewImplEx view(*system);
    if (!view.Load(kDemoLayout))
        return;
    view.NativeWindow()->Show();
    // Let the first paint happen, then watch the idle window.
    system->StartTimer(std::chrono::milliseconds(500), [&] { system->Quit(0); });
    system->Run();
    const double before = CpuSeconds();
    const auto idle = std::chrono::seconds(3);
    platform::TimerId end = 0;
    end = system->StartTimer(idle, [&] {
        system->StopTimer(end);
        system->Quit(0);
    });
    system->Run();
    const double used = CpuSeconds() - before;
    std::printf("idle window    %.3f s CPU in %lld s (%.2f%% of one core)\n", used,
                static_cast<long long>(idle.count()), 100.0 * used / idle.count());
}

}  // namespace

int main() {
    if (!BkWin::InitBkLib(0))
        std::fprintf(stderr, "warning: some framework resources are missing\n");
    if (!MeasureRepaint())
        return 1;
    MeasureIdleWindow();
    return 0;
}
