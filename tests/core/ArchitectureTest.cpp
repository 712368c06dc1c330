// The folders' arrows: the core builds without any window-system header, so that both editions
// share it and the fake platform can drive it; and the parts of the core never reach back into
// the basket window that composes them.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path kSrc = TALVORO_SOURCE_DIR "/src";

struct Include {
    std::string file;  // relative to src/
    int line;
    std::string target;  // as written between the quotes or brackets
};

// Every #include of the C++ files under src/`folder`, sub-folders included unless `shallow`.
std::vector<Include> includesOf(const std::string& folder, bool shallow = false) {
    static const std::regex include(R"(^\s*#\s*include\s*[<"]([^>"]+)[>"])");
    std::vector<Include> out;
    if (!fs::exists(kSrc / folder)) return out;
    for (auto it = fs::recursive_directory_iterator(kSrc / folder); it != fs::end(it); ++it) {
        if (it->is_directory() && shallow) it.disable_recursion_pending();
        const auto ext = it->path().extension();
        if (!it->is_regular_file() || (ext != ".h" && ext != ".cpp")) continue;
        const std::string rel = fs::relative(it->path(), kSrc).generic_string();
        std::ifstream in(it->path());
        std::string text;
        for (int n = 1; std::getline(in, text); ++n) {
            std::smatch m;
            if (std::regex_search(text, m, include)) out.push_back({rel, n, m[1].str()});
        }
    }
    return out;
}

bool from(const Include& i, const std::string& folder) {
    return i.target.rfind(folder + "/", 0) == 0;
}

TEST(Architecture, CoreIncludesNoWindowSystemHeader) {
    const std::regex forbidden(
        R"(^(Q[A-Za-z]*|Qt[A-Za-z]*/.*|X11/.*|xcb/.*|windows\.h|winuser\.h|ole2\.h|objbase\.h|sapi\.h|shellapi\.h|commdlg\.h|espeak-ng/.*|pulse/.*|alsa/.*|gtk/.*)$)",
        std::regex::icase);
    std::vector<Include> core;
    for (const char* folder :
         {"app", "base", "ui", "intake", "provision", "docs", "speech/markup", "speech/mandarin"})
        for (const Include& i : includesOf(folder)) core.push_back(i);
    // The interfaces and the core's own speech files; the engines and adapters live in their
    // sub-folders.
    for (const char* folder : {"platform", "speech"})
        for (const Include& i : includesOf(folder, true)) core.push_back(i);
    EXPECT_GT(core.size(), 50u);
    for (const Include& i : core)
        EXPECT_FALSE(std::regex_match(i.target, forbidden))
            << i.file << ":" << i.line << " includes " << i.target;
}

// app/ uses the parts; no part, no header of the platform and no engine uses app/. The
// platform's headers take what they share with the core from ui/ and base/ alone.
TEST(Architecture, ArrowsRunFromTheBasketWindowToItsPartsNeverBack) {
    for (const char* folder : {"speech", "intake", "docs", "provision", "ui", "base"})
        for (const Include& i : includesOf(folder))
            EXPECT_FALSE(from(i, "app")) << i.file << ":" << i.line << " includes " << i.target;
    for (const Include& i : includesOf("platform", true)) {
        EXPECT_FALSE(from(i, "app")) << i.file << ":" << i.line << " includes " << i.target;
        EXPECT_TRUE(i.target.find('/') == std::string::npos || from(i, "platform") ||
                    from(i, "ui") || from(i, "base"))
            << i.file << ":" << i.line << " includes " << i.target;
    }
    // The adapters' own headers neither: only their sources, which build the basket window,
    // include it.
    for (const Include& i : includesOf("platform"))
        if (fs::path(i.file).extension() == ".h") {
            EXPECT_FALSE(from(i, "app")) << i.file << ":" << i.line << " includes " << i.target;
        }
    // The rule as the parts were cut from the window: none of them needs the window itself.
    for (const char* folder : {"speech", "intake"})
        for (const Include& i : includesOf(folder))
            EXPECT_NE(i.target, "app/Frmlan.h") << i.file << ":" << i.line;
}

// The lowest folders stand on nothing above them: base/ on nothing, ui/ on base/ alone.
TEST(Architecture, TheSharedFoldersStandOnNothingAboveThem) {
    for (const Include& i : includesOf("base"))
        EXPECT_TRUE(i.target.find('/') == std::string::npos || from(i, "base"))
            << i.file << ":" << i.line << " includes " << i.target;
    for (const Include& i : includesOf("ui"))
        EXPECT_TRUE(i.target.find('/') == std::string::npos || from(i, "ui") || from(i, "base"))
            << i.file << ":" << i.line << " includes " << i.target;
}

}  // namespace
