#include "motion/BackgroundModel.h"

#include <algorithm>
#include <cmath>

namespace motion {
namespace {

constexpr float kStillRate = 0.25f;  // how fast a still block follows the scene
// A changed block that looks the same for this many pictures running (something stopped
// there, or left a place it stood in while the model learned) takes the picture as its new
// background; until then a changed block keeps the old one, which it must return to for its
// change to end.
constexpr int kSettleAfter = 5;
constexpr float kNoiseRate = 0.1f;
constexpr float kLeastNoise = 0.3f;
// Blocks too dark to tell a ratio of brightness from noise give no vote on the gain.
constexpr float kDarkest = 16;

int64_t Overlap(const Region& a, const Region& b)
{
    const int64_t w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
    const int64_t h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

template <typename Pixel> float BlockMean(const Pixel* pixels, int stride, int x, int y)
{
    float sum = 0;
    for (int j = 0; j < BackgroundModel::kBlock; ++j)
        for (int i = 0; i < BackgroundModel::kBlock; ++i)
            sum += static_cast<float>(pixels[(y + j) * stride + x + i]);
    return sum / (BackgroundModel::kBlock * BackgroundModel::kBlock);
}

} // namespace

// The mean absolute difference of a block of `a` from the same block of `b` times `gain`.
template <typename Pixel>
float BackgroundModel::BlockDistance(const uint8_t* a, const Pixel* b, int stride, int block, float gain) const
{
    const int x = (block % m_columns) * kBlock, y = (block / m_columns) * kBlock;
    float sum = 0;
    for (int j = 0; j < kBlock; ++j) {
        const size_t row = static_cast<size_t>(y + j) * stride + x;
        for (int i = 0; i < kBlock; ++i)
            sum += std::fabs(a[row + i] - gain * static_cast<float>(b[row + i]));
    }
    return sum / (kBlock * kBlock);
}

BackgroundModel::BackgroundModel(const MotionOptions& options)
    : m_regions(options.regions), m_spaceWidth(options.regionSpaceWidth), m_spaceHeight(options.regionSpaceHeight)
{
    const int sensitivity = std::clamp(options.sensitivity, 1, 10);
    m_factor = 2.5 + 0.5 * (10 - sensitivity);
    m_floor = 1.5 + 0.35 * (10 - sensitivity);
}

std::vector<Region> BackgroundModel::PictureRegions(const LumaFrame& frame) const
{
    if (m_spaceWidth <= 0 || m_spaceHeight <= 0)
        return m_regions;
    std::vector<Region> out;
    for (const Region& r : m_regions) {
        const auto x = [&](int v) { return static_cast<int>(int64_t{v} * frame.sourceWidth / m_spaceWidth); };
        const auto y = [&](int v) { return static_cast<int>(int64_t{v} * frame.sourceHeight / m_spaceHeight); };
        out.push_back({x(r.x), y(r.y), x(r.x + r.width) - x(r.x), y(r.y + r.height) - y(r.y)});
    }
    return out;
}

bool BackgroundModel::Fits(const LumaFrame& frame) const
{
    return m_width > 0 && frame.width == m_width && frame.height == m_height;
}

void BackgroundModel::Start(const LumaFrame& frame)
{
    m_width = frame.width;
    m_height = frame.height;
    m_columns = m_width / kBlock;
    m_rows = m_height / kBlock;
    m_background.assign(frame.pixels.begin(), frame.pixels.end());
    m_previous = frame.pixels;
    m_noise.assign(static_cast<size_t>(m_columns) * m_rows, 1.0f);
    m_changedFor.assign(m_noise.size(), 0);
    m_learned = 1;
    // A block counts when at least half of it lies in a region; a region smaller than that
    // takes every block it touches.
    std::vector<int64_t> overlap(m_noise.size(), 0);
    int64_t area = 0;
    const std::vector<Region> regions = PictureRegions(frame);
    for (int b = 0; b < static_cast<int>(overlap.size()); ++b) {
        const int c = b % m_columns, r = b / m_columns;
        const int x0 = c * kBlock * frame.sourceWidth / m_width, x1 = (c + 1) * kBlock * frame.sourceWidth / m_width;
        const int y0 = r * kBlock * frame.sourceHeight / m_height, y1 = (r + 1) * kBlock * frame.sourceHeight / m_height;
        const Region block{x0, y0, x1 - x0, y1 - y0};
        area = int64_t{block.width} * block.height;
        for (const Region& region : regions)
            overlap[b] += Overlap(block, region);
        if (regions.empty())
            overlap[b] = area;
    }
    m_inRegion.clear();
    for (const int64_t least : {area / 2, int64_t{1}}) {
        for (int b = 0; b < static_cast<int>(overlap.size()); ++b) {
            if (overlap[b] >= least)
                m_inRegion.push_back(b);
        }
        if (!m_inRegion.empty())
            break;
    }
}

double BackgroundModel::Gain(const LumaFrame& frame) const
{
    std::vector<float> ratios;
    ratios.reserve(m_noise.size());
    for (int b = 0; b < static_cast<int>(m_noise.size()); ++b) {
        const int x = (b % m_columns) * kBlock, y = (b / m_columns) * kBlock;
        const float background = BlockMean(m_background.data(), m_width, x, y);
        if (background >= kDarkest)
            ratios.push_back(BlockMean(frame.pixels.data(), m_width, x, y) / background);
    }
    if (ratios.empty())
        return 1;
    auto middle = ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2);
    std::nth_element(ratios.begin(), middle, ratios.end());
    return std::clamp(static_cast<double>(*middle), 0.25, 4.0);
}

float BackgroundModel::Difference(const LumaFrame& frame, int block, double gain) const
{
    return BlockDistance(frame.pixels.data(), m_background.data(), m_width, block, static_cast<float>(gain));
}

Verdict BackgroundModel::Compare(const LumaFrame& frame) const
{
    Verdict v;
    if (!Fits(frame))
        return v;
    v.gain = Gain(frame);
    v.difference.resize(m_noise.size());
    v.moving.assign(m_noise.size(), 0);
    for (size_t b = 0; b < m_noise.size(); ++b) {
        v.difference[b] = Difference(frame, static_cast<int>(b), v.gain);
        v.moving[b] = IsWarm() && v.difference[b] > std::max(m_floor, m_factor * m_noise[b]);
    }
    int changed = 0;
    for (const int b : m_inRegion)
        changed += v.moving[b];
    v.motion = changed > 0;
    v.strength = m_inRegion.empty() ? 0 : static_cast<double>(changed) / static_cast<double>(m_inRegion.size());
    return v;
}

void BackgroundModel::Learn(const LumaFrame& frame, const Verdict& verdict)
{
    if (!Fits(frame) || verdict.difference.size() != m_noise.size()) {
        Start(frame);
        return;
    }
    const bool warming = !IsWarm();
    // While it warms up the model cannot tell motion from noise yet: no block is taken to be
    // noisier than the picture's typical block, so that something moving then does not
    // teach a block to ignore it.
    std::vector<float> typical(verdict.difference);
    std::nth_element(typical.begin(), typical.begin() + static_cast<std::ptrdiff_t>(typical.size() / 2), typical.end());
    const float ceiling = warming && !typical.empty() ? typical[typical.size() / 2] : 1e9f;
    for (size_t b = 0; b < m_noise.size(); ++b) {
        const bool same = BlockDistance(frame.pixels.data(), m_previous.data(), m_width, static_cast<int>(b), 1) <=
                          std::max(m_floor, m_factor * m_noise[b]);
        m_changedFor[b] = verdict.moving[b] && same ? m_changedFor[b] + 1 : 0;
        const float rate = warming ? 0.5f : !verdict.moving[b] ? kStillRate : m_changedFor[b] >= kSettleAfter ? 1.0f : 0.0f;
        const int x = (static_cast<int>(b) % m_columns) * kBlock, y = (static_cast<int>(b) / m_columns) * kBlock;
        for (int j = 0; j < kBlock; ++j) {
            const size_t row = static_cast<size_t>(y + j) * m_width + x;
            for (int i = 0; i < kBlock; ++i)
                m_background[row + i] += rate * (frame.pixels[row + i] - m_background[row + i]);
        }
        if (warming || !verdict.moving[b]) {
            const float noiseRate = warming ? 0.5f : kNoiseRate;
            const float difference = std::min(verdict.difference[b], ceiling);
            m_noise[b] = std::max(kLeastNoise, m_noise[b] + noiseRate * (difference - m_noise[b]));
        }
    }
    m_previous = frame.pixels;
    m_learned += warming ? 1 : 0;
}

} // namespace motion
