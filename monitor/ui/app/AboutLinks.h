#pragma once
// The addresses the About box opens, kept in one place, and the model
// button's caption and search address for the processor found.

#include <cstdint>
#include <string>
#include <string_view>

namespace monitor {

namespace about {

// The read-me as an installed package ships it (the source tree's read-me,
// named by the build, stands in for a program run from the build tree).
inline constexpr std::string_view InstalledReadme = "/usr/share/doc/ostrel/README.md";
// How Linux gives access to model-specific registers.
inline constexpr std::string_view MsrDocumentation = "https://man7.org/linux/man-pages/man4/msr.4.html";
// The processor maker's support pages.
inline constexpr std::string_view MakerSupport = "https://www.intel.com/content/www/us/en/support.html";
// The processor maker's product search: host, page and query key.
inline constexpr std::string_view SpecSearchHost = "https://ark.intel.com";
inline constexpr std::string_view SpecSearchQuery = "/Search.aspx?q=";

} // namespace about

// The program's own home: the installed read-me when there is one, otherwise
// the source tree's.
std::string homePage();

// "Intel <model> Spec Finder\nCPUID String: <signature in hex>h".
std::string specFinderCaption(std::string_view modelName, uint32_t signature);

// The product search for a model: every "Core " removed from the name,
// appended as it is to the search address.
std::string specFinderAddress(std::string_view modelName);

} // namespace monitor
