#pragma once
// The page, its script and its style, compiled into the program: sites are often offline, so the
// page needs nothing from elsewhere.
#include <string>
#include <string_view>

namespace tevra {

std::string PageHtml(bool english);
std::string_view PageScript();
std::string_view PageStyle();

}  // namespace tevra
