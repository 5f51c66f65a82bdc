#pragma once
// Windows' frames as the window manager draws them.
#include <QMainWindow>

#include "platform/forms/form.h"

namespace testsupport {

// A window's outer height in twips.
inline int frameHeight(const Form& f) { return f.window()->frameGeometry().height() * 15; }
// `lower`'s frame starts on the pixel row under `upper`'s.
inline bool edgeToEdge(const Form& upper, const Form& lower)
{
    return lower.window()->frameGeometry().top() == upper.window()->frameGeometry().bottom() + 1;
}

} // namespace testsupport
