#pragma once

// The project's pages that the windows open in the browser.

namespace orvane::web {

// "Learn More...": what the application can rescue and how.
inline constexpr const char* kLearnMore = "https://orvane.example/learn-more";
// Help and the support portal.
inline constexpr const char* kSupport = "https://orvane.example/support";
// The home page.
inline constexpr const char* kHomePage = "https://orvane.example/";

}  // namespace orvane::web
