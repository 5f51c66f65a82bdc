// Feeds arbitrary bytes to the reader of the update text that the maker's web
// site answers, and to the checks made on its fields before anything is shown
// or opened. A download address that passes must be one plain http(s) address
// that no shell or browser can take for more than that.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_support.h"
#include "settings/update.h"

using fuzzsupport::check;

namespace {

bool blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void checkField(const std::string& field, bool mayHoldLineFeeds)
{
    if (field.empty())
        return;
    check(!blank(field.front()) && !blank(field.back()));
    if (!mayHoldLineFeeds)
        check(field.find('\n') == std::string::npos);
}

void checkUrl(std::string_view field)
{
    const auto url = modIni::SafeDownloadUrl(field);
    if (!url)
        return;
    check(url->size() <= 2000);
    const std::string lower = [&] {
        std::string s = url->substr(0, 8);
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c - 'A' + 'a');
        return s;
    }();
    const std::size_t host = lower.rfind("https://", 0) == 0 ? 8 : (lower.rfind("http://", 0) == 0 ? 7 : 0);
    check(host != 0);
    check(url->size() > host && (*url)[host] != '/');
    for (unsigned char c : *url) {
        check(c > 0x20 && c < 0x7f);
        check(std::string_view("\"'`\\<>|;^{}$").find(static_cast<char>(c)) == std::string_view::npos);
    }
    // Vetting what passed changes nothing.
    check(modIni::SafeDownloadUrl(*url) == url);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto info = modIni::ParseUpdateText(text)) {
        check(!info->VersionAvailable.empty());
        checkField(info->VersionAvailable, false);
        checkField(info->VersionDate, false);
        checkField(info->UrlFr, false);
        // The last field runs to the end of the answer.
        checkField(info->UrlEn, true);
        check(info->VersionAvailable.size() + info->VersionDate.size() + info->UrlFr.size()
                  + info->UrlEn.size() + 3 <= size);
        checkUrl(info->UrlFr);
        checkUrl(info->UrlEn);
        // A version never counts as newer than itself.
        check(!modIni::IsNewerVersion(info->VersionAvailable, info->VersionAvailable));
        (void)modIni::IsNewerVersion(info->VersionAvailable, "1.0.0.1234");
    } else {
        // Fewer than three line feeds, or no version before the first one.
        std::size_t feeds = 0;
        for (char c : text)
            feeds += c == '\n';
        check(feeds < 3 || text.substr(0, text.find('\n')).find_first_not_of(" \t\r") == std::string_view::npos);
    }
    checkUrl(text);
    return 0;
}
