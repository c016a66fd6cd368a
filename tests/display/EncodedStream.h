#pragma once
#include <cstdint>
#include <vector>

#include <QColor>

namespace testsupport {

// Payload formats a recorder writes.
enum class PayloadFormat { Mpeg4, H264, H264Block };

struct EncodedFrame {
    std::vector<uint8_t> data;
    bool key = false;
};

// Encodes count 704x576 pictures, the upper half in colour and the lower half in bottom (or
// colour when bottom is invalid), a key frame every gop pictures, as the recorder would store
// them (H264Block: every frame behind the 52-byte block whose byte 4 is 0x19).
std::vector<EncodedFrame> EncodeStream(PayloadFormat format, QColor colour, int count, int gop,
                                       QColor bottom = QColor());

} // namespace testsupport
