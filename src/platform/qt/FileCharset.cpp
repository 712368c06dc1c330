#include "platform/qt/FileCharset.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>
#include <clocale>
#include <string_view>

#include "intake/FileText.h"

namespace talvoro::qt {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD
constexpr const char* kChineseFallback = "GB18030";

std::string upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // The converted text; on a sequence that cannot be converted, nullopt, or with `replace`
    // U+FFFD for its first byte (UTF-8 output only) and on with the next.
    std::optional<std::string> convert(std::string_view in, bool replace) {
        std::string out(in.size() + in.size() / 2 + 16, '\0');
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        std::size_t done = 0;
        bool flushed = false;
        while (!flushed) {
            char* dst = out.data() + done;
            std::size_t dstLeft = out.size() - done;
            // Once the input is used up, one more call ends the shift state of the output.
            const bool flushing = srcLeft == 0;
            const std::size_t r = flushing ? iconv(cd_, nullptr, nullptr, &dst, &dstLeft)
                                           : iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            done = static_cast<std::size_t>(dst - out.data());
            if (r != static_cast<std::size_t>(-1)) {
                flushed = flushing;
                continue;
            }
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
            } else if ((errno == EILSEQ || errno == EINVAL) && replace && !flushing) {
                if (out.size() - done < kReplacement.size()) out.resize(out.size() * 2);
                out.replace(done, kReplacement.size(), kReplacement);
                done += kReplacement.size();
                ++src;
                --srcLeft;
            } else {
                return std::nullopt;
            }
        }
        out.resize(done);
        return out;
    }

private:
    iconv_t cd_;
};

}  // namespace

FileCharset::FileCharset(std::string name) : name_(std::move(name)) {
    const std::string n = upper(name_);
    utf8_ = n == "UTF-8" || n == "UTF8" || n == "ANSI_X3.4-1968" || n == "ASCII" || n == "US-ASCII";
}

FileCharset FileCharset::fromLocale() {
    std::setlocale(LC_CTYPE, "");
    const char* codeset = nl_langinfo(CODESET);
    return FileCharset(codeset && *codeset ? codeset : "UTF-8");
}

std::string FileCharset::decode(std::string bytes) const {
    if (utf8_) {
        if (firstInvalidUtf8(bytes) == std::string::npos) return bytes;
    } else {
        Converter local("UTF-8", name_.c_str());
        if (local.ok())
            if (std::optional<std::string> text = local.convert(bytes, false))
                return std::move(*text);
    }
    Converter chinese("UTF-8", kChineseFallback);
    if (chinese.ok())
        if (std::optional<std::string> text = chinese.convert(bytes, true)) return std::move(*text);
    return validUtf8(std::move(bytes));
}

std::optional<std::string> FileCharset::encode(const std::string& text) const {
    if (utf8_) return validUtf8(text);
    Converter local(name_.c_str(), "UTF-8");
    if (!local.ok()) return std::nullopt;  // a charset iconv does not know holds nothing
    return local.convert(text, false);
}

}  // namespace talvoro::qt
