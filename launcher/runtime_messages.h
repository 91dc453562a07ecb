#pragma once

#include <string_view>

namespace smeltra::runtime_messages {

// Worded exactly as the product has always shown them.
inline constexpr std::string_view kNotInstalled =
    "You have not Installed Java Runtime Environment on your computer.\r\n"
    "Download and install Java Runtime Environment Version 1.4 or higher version.\r\n"
    "Please refer installtion guide of Tolvan Brennick for further help";
inline constexpr std::string_view kNotNewEnough =
    "Java Runtime Environment version 1.4 or higher version is not avaiable";
inline constexpr std::string_view kSearchError = "Error While Searching JVM on Your Machine";

}  // namespace smeltra::runtime_messages
