// The core must build without any window-system header, so that both editions share it and the
// fake platform can drive it.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

namespace {

namespace fs = std::filesystem;

TEST(Architecture, CoreIncludesNoWindowSystemHeader) {
    const fs::path src = TALVORO_SOURCE_DIR "/src";
    const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    const std::regex forbidden(
        R"(^(Q[A-Za-z]*|Qt[A-Za-z]*/.*|X11/.*|xcb/.*|windows\.h|winuser\.h|ole2\.h|objbase\.h|sapi\.h|shellapi\.h|commdlg\.h|espeak-ng/.*|pulse/.*|alsa/.*|gtk/.*)$)",
        std::regex::icase);
    int files = 0;
    for (const char* dir : {"app", "speech", "intake", "provision", "docs", "platform", "ui"}) {
        if (!fs::exists(src / dir)) continue;
        for (auto it = fs::recursive_directory_iterator(src / dir); it != fs::end(it); ++it) {
            const fs::path& p = it->path();
            // Adapters live in their own sub-folders.
            const std::string rel = fs::relative(p, src).generic_string();
            if (it->is_directory() && (rel == "platform/qt" || rel == "platform/win32" ||
                                       rel == "speech/espeak" || rel == "speech/sapi")) {
                it.disable_recursion_pending();
                continue;
            }
            if (!it->is_regular_file()) continue;
            const auto ext = p.extension();
            if (ext != ".h" && ext != ".cpp") continue;
            ++files;
            std::ifstream in(p);
            std::string line;
            int n = 0;
            while (std::getline(in, line)) {
                ++n;
                std::smatch m;
                if (!std::regex_search(line, m, include)) continue;
                EXPECT_FALSE(std::regex_match(m[1].str(), forbidden))
                    << rel << ":" << n << " includes " << m[1];
            }
        }
    }
    EXPECT_GT(files, 10);
}

}  // namespace
