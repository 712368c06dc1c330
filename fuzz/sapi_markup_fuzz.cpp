// Fuzzes what the Windows engine takes out of markup before SAPI reads it: whatever the text,
// nothing that names an outside resource is left, text that names none passes unchanged, and
// the result grows at most as far as escaping every character would take it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "speech/sapi/OutsideResources.h"

using namespace talvoro::sapi;

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string out = withoutOutsideResources(text);
    check(!namesOutsideResources(out));
    if (!namesOutsideResources(text)) check(out == text);
    check(out.size() <= 5 * text.size());
    return 0;
}
