// How long opening a text file takes, from the open command until the buffer holds the text: the
// real file reading, decoding and line rule of the Linux edition, for 10 MB and 100 MB files,
// UTF-8 and GB2312. The file dialog is the only thing left out: it answers at once with the
// file's name. Reading stays linear when the 100 MB file takes about ten times the 10 MB one.
//
// Usage: open_file [runs] [folder]   (the folder holds the generated files; /tmp by default)

#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "FakePlatform.h"
#include "app/Frmlan.h"
#include "platform/qt/QtFileServices.h"

namespace {

using namespace talvoro;
using Clock = std::chrono::steady_clock;

// The real file services with a dialog that picks the benchmark's file.
class PickingFileServices : public qt::QtFileServices {
public:
    PickingFileServices() : QtFileServices(qt::FileCharset("UTF-8")) {}
    std::string file;
    void ShowOpen(CommonDialog& dialog) override { dialog.FileName = file; }
};

// Lines of mixed Chinese and English, CR LF at their ends, as a novel or a report has them.
std::string sample(std::size_t bytes, bool gb2312) {
    const std::string line =
        gb2312 ? "\xB5\xDA\xD2\xBB\xD5\xC2 The basket reads this line aloud, "
                 "\xD6\xD0\xCE\xC4\xBA\xCD English "
                 "\xBB\xEC\xBA\xCF\xD4\xDA\xD2\xBB\xC6\xF0\xA1\xA3\r\n"
               : "第一章 The basket reads this line aloud, 中文和 English 混合在一起。\r\n";
    std::string text;
    text.reserve(bytes + line.size());
    while (text.size() < bytes) text += line;
    text.resize(bytes);
    return text;
}

double secondsToOpen(Frmlan& form, PickingFileServices& files, const std::string& path, int runs,
                     std::size_t& bufferSize) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        files.file = path;
        form.mnudeleteall_Click();
        // Memory goes back to the system between runs, so that no run finds the pages of the
        // one before it ready (glibc keeps blocks under 32 MB, and gives larger ones back).
        malloc_trim(0);
        const auto start = Clock::now();
        form.mnuopen_Click();
        const double s = std::chrono::duration<double>(Clock::now() - start).count();
        best = std::min(best, s);
        bufferSize = form.buffer().text().size();
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const std::filesystem::path folder = argc > 2 ? argv[2] : "/tmp";

    talvoro::testing::CallLog log;
    talvoro::testing::FakePlatform fake(log);
    PickingFileServices files;
    Platform platform = fake.platform();
    Platform real{
        platform.windows, platform.menus, platform.messages, platform.clipboard, platform.settings,
        platform.ui,      files,          platform.help,     platform.about,     platform.system};
    Frmlan form(real, nullptr, {});
    form.mnutd_Click();  // into the buffer only; reading aloud is another benchmark's business

    std::printf("Opening a text file into the buffer (best of %d runs)\n", runs);
    std::printf("%-8s %10s %10s %10s\n", "file", "size", "seconds", "MB/s");
    for (const bool gb : {false, true}) {
        double small = 0;
        for (const std::size_t mb : {10, 100}) {
            const std::filesystem::path path =
                folder / ("talvoro-open-" + std::to_string(mb) + (gb ? "-gb.txt" : "-utf8.txt"));
            std::ofstream(path, std::ios::binary) << sample(mb * 1000 * 1000, gb);
            std::size_t bufferSize = 0;
            const double s = secondsToOpen(form, files, path.string(), runs, bufferSize);
            std::filesystem::remove(path);
            if (bufferSize == 0 || !log.calls.empty()) {
                std::fprintf(stderr, "opening %s failed\n", path.c_str());
                for (const auto& call : log.calls) std::fprintf(stderr, "  %s\n", call.c_str());
                return 1;
            }
            std::printf("%-8s %7zu MB %10.3f %10.0f\n", gb ? "GB2312" : "UTF-8", mb, s, mb / s);
            if (mb == 10)
                small = s;
            else
                std::printf("%-8s 100 MB / 10 MB: %.1f times\n", gb ? "GB2312" : "UTF-8",
                            s / small);
        }
    }
    return 0;
}
