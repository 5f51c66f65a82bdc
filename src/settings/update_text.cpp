// The pure half of the update check: reading the server's answer, comparing
// versions and vetting the download address before anything is opened.
#include "settings/update.h"

#include <cctype>

namespace modIni {

namespace {

std::string_view trimField(std::string_view s)
{
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && blank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string_view lastFour(std::string_view s)
{
    return s.size() > 4 ? s.substr(s.size() - 4) : s;
}

} // namespace

std::optional<UpdateInfoType> ParseUpdateText(std::string_view text)
{
    const auto p1 = text.find('\n');
    if (p1 == std::string_view::npos)
        return std::nullopt;
    const auto p2 = text.find('\n', p1 + 1);
    if (p2 == std::string_view::npos)
        return std::nullopt;
    const auto p3 = text.find('\n', p2 + 1);
    if (p3 == std::string_view::npos)
        return std::nullopt;
    UpdateInfoType info;
    info.VersionAvailable = std::string(trimField(text.substr(0, p1)));
    info.VersionDate = std::string(trimField(text.substr(p1 + 1, p2 - p1 - 1)));
    info.UrlFr = std::string(trimField(text.substr(p2 + 1, p3 - p2 - 1)));
    info.UrlEn = std::string(trimField(text.substr(p3 + 1)));
    // A reply whose version field is empty names no version at all.
    if (info.VersionAvailable.empty())
        return std::nullopt;
    return info;
}

bool IsNewerVersion(std::string_view versionAvailable, std::string_view ownRevision)
{
    // Compared byte by byte as text, as the revision numbers have always been.
    return lastFour(trimField(versionAvailable)) > lastFour(ownRevision);
}

std::optional<std::string> SafeDownloadUrl(std::string_view field)
{
    const std::string_view url = trimField(field);
    auto startsWithNoCase = [&](std::string_view prefix) {
        if (url.size() < prefix.size())
            return false;
        for (size_t i = 0; i < prefix.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(url[i])) != prefix[i])
                return false;
        return true;
    };
    size_t hostStart = 0;
    if (startsWithNoCase("https://"))
        hostStart = 8;
    else if (startsWithNoCase("http://"))
        hostStart = 7;
    else
        return std::nullopt;
    if (url.size() > 2000)
        return std::nullopt;
    // A host must follow the scheme.
    if (hostStart >= url.size() || url[hostStart] == '/' || url[hostStart] == '?' ||
        url[hostStart] == '#')
        return std::nullopt;
    for (unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7f)
            return std::nullopt;
        switch (c) {
        case '"': case '\'': case '`': case '\\': case '<': case '>': case '|':
        case ';': case '^': case '{': case '}': case '$':
            return std::nullopt;
        default:
            break;
        }
    }
    return std::string(url);
}

int NextUpdateMonth(int month)
{
    if (month >= 12 || month < 1)
        return 1;
    return month + 1;
}

} // namespace modIni
