#pragma once
#include <string>
#include <vector>

namespace vrctool {

// The arguments export and extract share: --channel K and the two names FILE OUT.
// Each returns the complaint, or an empty text when the argument was taken.
class CommandArguments {
public:
    // Reads the number after the --channel at args[i] (0..15) and moves i onto it.
    static std::string TakeChannel(const std::vector<std::string>& args, size_t& i, int& channel);
    // Takes a word that is not an option as the recording's name, then as the output's.
    static std::string TakeFileOrOut(const std::string& word, std::string& file, std::string& out);
};

} // namespace vrctool
