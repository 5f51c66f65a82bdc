// Feeds arbitrary bytes to the text-file codec: decoding (UTF-8 or
// Windows-1252), encoding back, and the line splitter. A file read and written
// again must then stay as it is: what the program writes, it reads back as the
// same text, and writing that text gives the same bytes.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "platform/files/textfile.h"

using fuzzsupport::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    textfile::Encoding detected{};
    const std::string text = textfile::decode(bytes, &detected);
    check(textfile::isValidUtf8(text));
    check(text.find('\0') == std::string::npos);
    if (detected == textfile::Encoding::Windows1252) {
        check(!textfile::isValidUtf8(bytes));
        // Windows-1252 is read byte for byte (but for NULs, which are dropped)
        // and can be written back unchanged.
        std::string kept(bytes);
        kept.erase(std::remove(kept.begin(), kept.end(), '\0'), kept.end());
        const auto back = textfile::utf8ToCp1252(text);
        check(back && *back == kept);
    }

    textfile::Encoding chosen{};
    const std::string written = textfile::encode(text, &chosen);
    if (chosen == textfile::Encoding::Utf8)
        check(textfile::isValidUtf8(written));
    else
        check(textfile::utf8ToCp1252(text) == written);

    // The round trip: writing what was read back gives the same bytes...
    const std::string reread = textfile::decode(written);
    check(textfile::encode(reread) == written);
    // ...and the written bytes read back as the very text that was written.
    check(reread == text);

    // Lines: no line end survives inside a line, and the lines joined with CR LF
    // split into the same lines again (what writeLines then readLines does).
    const std::vector<std::string> lines = textfile::splitLines(text);
    std::string joined;
    std::size_t total = 0;
    for (const std::string& line : lines) {
        check(line.find_first_of("\r\n") == std::string::npos);
        check(textfile::isValidUtf8(line));
        total += line.size();
        joined += line;
        joined += "\r\n";
    }
    check(total <= text.size());
    check(textfile::splitLines(joined) == lines);
    return 0;
}
