// Fuzzes how a file's bytes become text: the line rule against a plain reading of it, byte-order
// marks, UTF-8 repair, and the Linux charsets (the locale's, GB18030 as the fallback). Each step
// holds at its peak a small multiple of the bytes.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "AllocationCount.h"
#include "intake/FileText.h"
#include "platform/qt/FileCharset.h"

using namespace talvoro;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

// The line rule read plainly: a line ends at CR or CR LF; every line is preceded by CR LF.
std::string plainLines(const std::string& text) {
    std::string out, line;
    bool any = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += "\r\n" + line;
            line.clear();
            any = false;
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        line += text[i];
        any = true;
    }
    if (any) out += "\r\n" + line;
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);

    // A text at most three times its bytes (U+FFFD for each stray byte), the lines it is cut
    // into at most twice that; each made beside what it is made from.
    const auto bounded = [size](auto step) {
        talvoro::testing::resetAllocationPeak();
        const std::size_t before = talvoro::testing::allocatedNow();
        auto result = step();
        check(talvoro::testing::allocationPeak() - before <= 16 * size + 4096);
        return result;
    };
    check(bounded([&] { return linesOfFile(bytes); }) == plainLines(bytes));
    bounded([&] { return linesOfFile(validUtf8(bytes)); });
    bounded([&] { return decodeByMark(bytes); });

    if (auto text = decodeByMark(bytes)) check(firstInvalidUtf8(*text) == std::string::npos);
    const std::string repaired = validUtf8(bytes);
    check(firstInvalidUtf8(repaired) == std::string::npos);
    if (firstInvalidUtf8(bytes) == std::string::npos) check(repaired == bytes);

    static const qt::FileCharset charsets[] = {qt::FileCharset("UTF-8"), qt::FileCharset("GB18030"),
                                               qt::FileCharset("ISO-8859-1")};
    const qt::FileCharset& charset = charsets[data[0] % 3];
    const std::string text = charset.decode(bytes);
    check(firstInvalidUtf8(text) == std::string::npos);
    if (data[0] % 3 == 0 && firstInvalidUtf8(bytes) == std::string::npos) check(text == bytes);
    // What a charset decoded, it encodes back to text that decodes the same.
    if (auto again = charset.encode(text)) check(charset.decode(*again) == text);
    return 0;
}
