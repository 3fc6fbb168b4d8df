#pragma once

#include "links/page.h"

#include <string_view>

namespace linkindex {

// Why a link stopped counting: what the first capture of its page after the last one that held
// it showed.
enum class LostReason {
    Removed,    // the page was there without it
    PageGone,   // the page answered 404 or 410
    Redirected, // the page redirected elsewhere
    Noindex,    // the page asked search engines not to index it
};

LostReason lostReasonOf(links::PageState stateAfter);

// "removed", "page-gone", "redirected", "noindex".
std::string_view lostReasonName(LostReason reason);

} // namespace linkindex
