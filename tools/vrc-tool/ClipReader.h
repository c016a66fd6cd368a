#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vrctool {

// What a clip holds as a standard player's demuxer hands it out.
struct ClipContents {
    struct Packet {
        std::vector<uint8_t> data; // kept only when asked for
        int64_t ms = 0;            // presentation time in milliseconds
        bool key = false;
    };
    std::string videoCodec; // libavcodec's name
    std::vector<Packet> video;
    std::vector<Packet> audio; // without their data
    std::string audioCodec;
    std::vector<std::pair<std::string, std::string>> metadata;

    // Empty when libavformat cannot read the file.
    static std::optional<ClipContents> Read(const std::string& path, bool keepData);
};

} // namespace vrctool
