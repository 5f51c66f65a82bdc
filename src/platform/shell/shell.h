#pragma once
// Opening web addresses in the user's browser, and fetching a small text over
// HTTP without blocking the windows (the update check).
#include <functional>
#include <string>

namespace shell {

// Opens an http:// or https:// address in the desktop's browser. Any other
// scheme (file:, javascript:, a bare path) is refused: false, nothing opened.
bool openUrl(const std::string& url);

// Replaces what openUrl does once an address is accepted (tests record the
// addresses instead of starting a browser). nullptr restores the desktop's.
void setUrlOpener(std::function<bool(const std::string& url)> opener);

// Fetches `url` (http or https only) in the background. `done` runs later on
// the user-interface thread, never inside this call: ok is true for a 2xx
// answer, with the body as received (at most maxBytes; a longer answer is a
// failure). A refused address, a network error, a non-2xx status or no answer
// within timeoutMs give ok = false and an empty body. Redirects are followed
// unless they go from https to http.
using HttpDone = std::function<void(bool ok, const std::string& body)>;
int httpGet(const std::string& url, int timeoutMs, HttpDone done, std::size_t maxBytes = 1 << 20);

// Drops a request started by httpGet: its `done` will not run (for a window
// that unloads while its request is out). Unknown ids are ignored.
void httpCancel(int id);

} // namespace shell
