// Opens the dictionary file: mapped read-only where the system can map files, else read whole.

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "speech/mandarin/DictionaryTables.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define TALVORO_MANDARIN_MMAP 1
#endif

namespace talvoro::mandarin {

namespace {

constexpr std::uint32_t kVersion = 2;
constexpr std::size_t kHeaderSize = 64;
constexpr std::size_t kSyllableWidth = 8;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

std::uint16_t le16(const unsigned char* p) {
    return std::uint16_t(p[0] | p[1] << 8);
}

// The bytes of the file, mapped or read, released with the dictionary.
struct Storage {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
#ifdef TALVORO_MANDARIN_MMAP
    void* mapped = nullptr;
#endif
    std::vector<unsigned char> copy;

    ~Storage() {
#ifdef TALVORO_MANDARIN_MMAP
        if (mapped) munmap(mapped, size);
#endif
    }
};

std::unique_ptr<Storage> load(const std::string& path) {
    auto s = std::make_unique<Storage>();
#ifdef TALVORO_MANDARIN_MMAP
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw DictionaryError("cannot open " + path + ": " + std::strerror(errno));
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw DictionaryError(path + " is not a regular file");
    }
    s->size = static_cast<std::size_t>(st.st_size);
    if (s->size >= kHeaderSize) {
        void* m = mmap(nullptr, s->size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (m == MAP_FAILED) {
            ::close(fd);
            throw DictionaryError("cannot map " + path + ": " + std::strerror(errno));
        }
        s->mapped = m;
        s->data = static_cast<const unsigned char*>(m);
    }
    ::close(fd);
#else
    std::ifstream in(path, std::ios::binary);
    if (!in) throw DictionaryError("cannot open " + path);
    s->copy.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    s->size = s->copy.size();
    s->data = s->copy.data();
#endif
    if (s->size < kHeaderSize) throw DictionaryError(path + " is too short to be a dictionary");
    return s;
}

bool within(std::uint64_t offset, std::uint64_t length, std::size_t size) {
    return offset <= size && length <= size - offset;
}

}  // namespace

struct Dictionary::Passkey {};

Dictionary::Dictionary(const Passkey&) : tables_(std::make_unique<Tables>()) {}

Dictionary::~Dictionary() = default;

std::string Dictionary::locate(const std::string& binaryDir) {
    namespace fs = std::filesystem;
    const fs::path dir(binaryDir);
    for (const fs::path& p : {dir / kFileName, dir / ".." / "share" / "talvoro" / kFileName,
                              dir / ".." / ".." / "share" / "talvoro" / kFileName}) {
        std::error_code ec;
        if (fs::is_regular_file(p, ec)) return p.lexically_normal().string();
    }
    return {};
}

std::shared_ptr<const Dictionary> Dictionary::open(const std::string& path) {
    std::unique_ptr<Storage> storage = load(path);
    const unsigned char* b = storage->data;
    const std::size_t size = storage->size;
    if (std::memcmp(b, "TVMD", 4) != 0) throw DictionaryError(path + " is not a dictionary");
    if (le32(b + 4) != kVersion)
        throw DictionaryError(path + " is a dictionary of another version");
    if (le32(b + 8) != size) throw DictionaryError(path + " is cut short or padded");

    auto d = std::make_shared<Dictionary>(Passkey{});
    Tables& t = *d->tables_;
    t.base = b;
    t.size = size;
    t.syllableCount = le32(b + 12);
    const std::uint32_t syllableOffset = le32(b + 16);
    t.slotCount = le32(b + 20);
    const std::uint32_t slotOffset = le32(b + 24);
    t.offsetBits = le32(b + 28);
    const std::uint32_t recordBytes = le32(b + 32);
    const std::uint32_t recordOffset = le32(b + 36);
    t.words = le32(b + 40);
    t.unknownCost = static_cast<std::uint16_t>(std::min<std::uint32_t>(le32(b + 44), 0xFFFF));

    if (!within(syllableOffset, std::uint64_t(t.syllableCount) * kSyllableWidth, size) ||
        !within(slotOffset, std::uint64_t(t.slotCount) * 4, size) ||
        !within(recordOffset, recordBytes, size) || t.slotCount == 0 || t.offsetBits == 0 ||
        t.offsetBits > 32 || t.syllableCount == 0 || t.syllableCount > 0xFFFF ||
        recordBytes % 2 != 0)
        throw DictionaryError(path + " has tables out of its bounds");
    t.syllableText = reinterpret_cast<const char*>(b + syllableOffset);
    for (std::uint32_t i = 0; i < t.syllableCount; ++i)
        if (t.syllableText[i * kSyllableWidth + kSyllableWidth - 1] != '\0')
            throw DictionaryError(path + " has a syllable table out of order");
    t.slots = b + slotOffset;
    t.records = b + recordOffset;
    t.recordUnits = recordBytes / 2;
    t.storage = std::shared_ptr<const void>(std::move(storage));
    return d;
}

std::size_t Dictionary::fileSize() const {
    return tables_->size;
}
std::size_t Dictionary::wordCount() const {
    return tables_->words;
}

Lookup Dictionary::Tables::find(const std::uint16_t* key, std::size_t units, std::size_t chars,
                                std::uint32_t hash) const {
    const std::uint32_t offsetMask =
        offsetBits >= 32 ? 0xFFFFFFFFu : (std::uint32_t(1) << offsetBits) - 1;
    const std::uint32_t fingerprint = offsetBits >= 32 ? 0 : hash >> offsetBits;
    // A full table would have no empty slot to stop at; the probe count bounds the walk anyway.
    for (std::uint32_t i = hash % slotCount, n = 0; n < slotCount;
         i = i + 1 == slotCount ? 0 : i + 1, ++n) {
        const std::uint32_t slot = le32(slots + std::size_t(i) * 4);
        if (slot == 0) return {};
        if (offsetBits < 32 && (slot >> offsetBits) != fingerprint) continue;
        const std::uint32_t at = slot & offsetMask;
        if (at >= recordUnits) continue;
        const unsigned char* r = records + std::size_t(at) * 2;
        const std::uint16_t head = le16(r);
        const std::size_t length = head & 0xFF;
        if (length != units || std::size_t(at) + 1 + length > recordUnits) continue;
        bool same = true;
        for (std::size_t k = 0; k < units && same; ++k) same = le16(r + 2 + 2 * k) == key[k];
        if (!same) continue;
        Lookup out;
        out.found = true;
        out.longer = (head & 0x200) != 0;
        if (head & 0x100) {
            if (std::size_t(at) + 1 + length + 1 + chars > recordUnits) return out;
            out.word = true;
            out.cost = le16(r + 2 + 2 * length);
            out.syllables = r + 2 + 2 * length + 2;
        }
        return out;
    }
    return {};
}

std::string_view Dictionary::Tables::syllable(std::uint16_t index) const {
    if (index >= syllableCount) return {};
    const char* s = syllableText + std::size_t(index) * kSyllableWidth;
    return std::string_view(s, strnlen(s, kSyllableWidth));
}

int Dictionary::Tables::syllableIndex(std::string_view text) const {
    std::uint32_t lo = 0, hi = syllableCount;
    while (lo < hi) {
        const std::uint32_t mid = lo + (hi - lo) / 2;
        const std::string_view s = syllable(static_cast<std::uint16_t>(mid));
        if (s < text)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo < syllableCount && syllable(static_cast<std::uint16_t>(lo)) == text ? int(lo) : -1;
}

}  // namespace talvoro::mandarin
