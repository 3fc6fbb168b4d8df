#include "latestinput.h"

namespace linkindex {

int64_t LatestInput::operator()()
{
    m_latest.step();
    const int64_t id = m_latest.integer(0);
    m_latest.reset();
    return id;
}

} // namespace linkindex
