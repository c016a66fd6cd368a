#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrctool {

// The arguments the commands share: --channel K, the two names FILE OUT, a recorded time.
// Each returns the complaint, or an empty text when the argument was taken.
class CommandArguments {
public:
    // Reads the number after the --channel at args[i] (0..15) and moves i onto it.
    static std::string TakeChannel(const std::vector<std::string>& args, size_t& i, int& channel);
    // Takes a word that is not an option as the recording's name, then as the output's.
    static std::string TakeFileOrOut(const std::string& word, std::string& file, std::string& out);
    // Reads the "YYYY-MM-DD hh:mm:ss" after the option at args[i] as an f_time (its text in
    // `text`) and moves i onto it.
    static std::string TakeTime(const std::vector<std::string>& args, size_t& i, std::optional<int32_t>& time,
                                std::string& text);
};

} // namespace vrctool
