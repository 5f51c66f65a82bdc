#include "platform/files/language.h"

namespace language {

namespace {

std::function<bool()>& source()
{
    static std::function<bool()> f;
    return f;
}

} // namespace

void setFrench(std::function<bool()> french) { source() = std::move(french); }

bool french()
{
    const std::function<bool()>& f = source();
    return f && f();
}

} // namespace language
