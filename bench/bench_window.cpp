// bench-window: the rows of the link benchmark that need the window. Started by bench-link, which passes the
// moment before it started this process in BENCH_SPAWN_US; prints key=value lines for bench-link's table.
// With --paint-only it stops after the first paint.
//
// Start as main.cpp does, up to the first paint; then a scan through btnScanClick over COM1..COM16, each a pty
// that opens but never answers.

#include "bench/timed_system.h"
#include "console/fonts.h"
#include "console/frmmodule.h"
#include "platform/com_ports.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QLabel>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const std::uint64_t EntryUs = bench::NowUs();

/// Notes the first paint event and ends `loop` once that paint is done.
class FirstPaint : public QObject {
public:
    explicit FirstPaint(QEventLoop& loop) : loop_(loop) {}
    std::uint64_t atUs = 0;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && atUs == 0) {
            atUs = 1;
            QTimer::singleShot(0, qApp, [this] {
                atUs = bench::NowUs();
                loop_.quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QEventLoop& loop_;
};

/// Sixteen ptys that open like serial devices and never send a byte, linked as COM1 .. COM16.
bool SilentPorts(std::vector<int>& held) {
    const std::string folder = platform::PortsFolder();
    for (std::size_t at = 1; at <= folder.size(); ++at)
        if (at == folder.size() || folder[at] == '/')
            mkdir(folder.substr(0, at).c_str(), 0755);
    for (int port = 1; port <= platform::MaxComPort; ++port) {
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || !ptsname(master))
            return false;
        const std::string slave = ptsname(master);
        // A held slave keeps the pty alive between the scan's opens.
        const int keep = open(slave.c_str(), O_RDWR | O_NOCTTY);
        held.push_back(master);
        held.push_back(keep);
        const std::string link = folder + "/COM" + std::to_string(port);
        unlink(link.c_str());
        if (keep < 0 || symlink(slave.c_str(), link.c_str()) != 0)
            return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerconfig"));
    console::InstallFontSubstitutions();
    const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
    bench::TimedSystem timed(platform::NativeSystem());
    readerlink::LinkSetup links(timed);
    console::TfrmModule frmModule(*store, links);
    // A loop of its own: the application's quit() asks the window to close, which only btnExit may do.
    QEventLoop loop;
    FirstPaint painted(loop);
    app.installEventFilter(&painted);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit); // no paint at all must not hang the benchmark
    frmModule.show();
    loop.exec();
    app.removeEventFilter(&painted);

    const char* spawn = std::getenv("BENCH_SPAWN_US");
    const std::uint64_t startUs = spawn ? std::strtoull(spawn, nullptr, 10) : EntryUs;
    if (painted.atUs > 1)
        std::printf("first_paint_ms=%.1f\n", static_cast<double>(painted.atUs - startUs) / 1000.0);
    std::printf("main_entry_ms=%.1f\n", static_cast<double>(EntryUs - startUs) / 1000.0);

    const bool scan = !(argc > 1 && std::string(argv[1]) == "--paint-only");
    std::vector<int> held;
    if (scan && SilentPorts(held)) {
        const std::uint64_t start = bench::NowUs();
        frmModule.btnScanClick();
        const std::uint64_t end = bench::NowUs();
        std::printf("scan_total_ms=%.1f\n", static_cast<double>(end - start) / 1000.0);
        if (timed.beeps > 0)
            std::printf("scan_search_ms=%.1f\n", static_cast<double>(timed.beepStartUs - start) / 1000.0);
        std::printf("scan_result=%s\n",
                    frmModule.findChild<QLabel*>(QStringLiteral("pnMsg"))->text().toUtf8().constData());
    }
    for (int fd : held)
        if (fd >= 0)
            close(fd);
    for (int port = 1; port <= platform::MaxComPort; ++port)
        unlink((platform::PortsFolder() + "/COM" + std::to_string(port)).c_str());

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("rss_kb=%ld\n", usage.ru_maxrss);
    std::fflush(stdout);
    return 0;
}
