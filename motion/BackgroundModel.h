#pragma once
#include <cstdint>
#include <vector>

#include "motion/LumaDecoder.h"
#include "motion/MotionOptions.h"

namespace motion {

// What the model says about one picture.
struct Verdict {
    bool motion = false;
    double strength = 0;       // the share of the region's blocks that changed, 0..1
    double gain = 1;           // the whole picture's brightness against the background
    std::vector<float> difference; // per block: mean absolute difference from the background
    std::vector<uint8_t> moving;     // per block: 1 when it changed
};

// The scene as it usually looks, block by block, and how much each block varies when
// nothing happens in it.
//
// The picture (brightness at a quarter of its size) is cut into blocks of 4x4 of its pixels.
// Each block keeps a running average of its pixels (the background) and of how far a still
// picture strays from it (its noise). A new picture is first brought to the background's
// brightness: the median over all blocks of the ratio of block means is the whole picture's
// gain, so that dusk, a cloud or the camera's automatic gain scales the background instead of
// showing as change. A block has changed when its mean absolute difference from the scaled
// background passes a threshold of several times its own noise (fewer times at a higher
// sensitivity) and a small floor. Only blocks mostly inside the region count; the picture
// shows motion when one of them changed. Still blocks follow the scene quickly; changed ones
// keep their background until they return to it, or until they have stayed changed and
// unchanging for several pictures, when whatever stopped there becomes part of the scene.
class BackgroundModel {
public:
    static constexpr int kBlock = 4; // pixels of the small picture, across and down

    explicit BackgroundModel(const MotionOptions& options);

    // The first pictures only teach the model; until then nothing shows motion.
    bool IsWarm() const { return m_learned >= kWarmUp; }
    Verdict Compare(const LumaFrame& frame) const;
    void Learn(const LumaFrame& frame, const Verdict& verdict);

private:
    static constexpr int kWarmUp = 3;

    void Start(const LumaFrame& frame);
    bool Fits(const LumaFrame& frame) const;
    float Difference(const LumaFrame& frame, int block, double gain) const;
    template <typename Pixel> float BlockDistance(const uint8_t* a, const Pixel* b, int stride, int block, float gain) const;
    double Gain(const LumaFrame& frame) const;

    std::vector<Region> PictureRegions(const LumaFrame& frame) const;

    std::vector<Region> m_regions;
    int m_spaceWidth;
    int m_spaceHeight;
    double m_factor;
    double m_floor;
    int m_width = 0;
    int m_height = 0;
    int m_columns = 0;
    int m_rows = 0;
    std::vector<float> m_background; // the small picture's pixels
    std::vector<float> m_noise;      // per block
    std::vector<int> m_changedFor;   // per block: pictures it has been changed and the same, running
    std::vector<uint8_t> m_previous; // the last picture learned
    std::vector<int> m_inRegion;     // the blocks that count
    int m_learned = 0;
};

} // namespace motion
