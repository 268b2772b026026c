#include "core/title_rules.h"

namespace vintrel {

bool IsPeerTitle(std::wstring_view title) {
    return title.size() >= kPeerTitlePrefix.size() &&
           title.substr(0, kPeerTitlePrefix.size()) == kPeerTitlePrefix;
}

}  // namespace vintrel
