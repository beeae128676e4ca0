#pragma once
// The page, its script, its style and its icon, compiled into the program: sites are often offline, so the
// page needs nothing from elsewhere.
#include <string>
#include <string_view>

namespace tevra {

std::string PageHtml(bool english);
std::string_view PageScript();
std::string_view PageStyle();
std::string_view PageIcon();  // SVG

}  // namespace tevra
