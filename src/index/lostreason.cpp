#include "lostreason.h"

namespace linkindex {

LostReason lostReasonOf(links::PageState stateAfter)
{
    switch (stateAfter) {
    case links::PageState::Ok:
        break;
    case links::PageState::Gone:
        return LostReason::PageGone;
    case links::PageState::Redirect:
        return LostReason::Redirected;
    case links::PageState::Noindex:
        return LostReason::Noindex;
    }
    return LostReason::Removed;
}

std::string_view lostReasonName(LostReason reason)
{
    switch (reason) {
    case LostReason::Removed:
        break;
    case LostReason::PageGone:
        return "page-gone";
    case LostReason::Redirected:
        return "redirected";
    case LostReason::Noindex:
        return "noindex";
    }
    return "removed";
}

} // namespace linkindex
