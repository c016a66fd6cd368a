#pragma once
#include <memory>
#include <optional>
#include <vector>

#include "motion/BackgroundModel.h"
#include "motion/EventBuilder.h"
#include "motion/LumaDecoder.h"
#include "motion/MotionSearch.h"
#include "platform/File.h"
#include "recording/ChannelWalk.h"

namespace motion {

// One search through one channel's run: the work behind MotionSearch::Run.
class ChannelSearch {
public:
    ChannelSearch(platform::File& file, int videoFormat, const MotionOptions& options,
                  const SearchObserver& observer);

    MotionResult Run(uint64_t begin, uint64_t end);

private:
    struct KeyFrame {
        recording::WalkedRecord record;
        std::vector<uint8_t> payload;
        LumaFrame luma;
        bool decoded = false;
    };

    bool Cancelled() const;
    void Take(const recording::WalkedRecord& record);
    void DecodeBatch();
    void Flush();
    void Analyse(const KeyFrame& key);
    void EndEvent();
    std::optional<Instant> Refine(const recording::WalkedRecord& from, bool first);
    bool ReadPayload(const recording::WalkedRecord& record, std::vector<uint8_t>& payload);

    platform::File& m_file;
    size_t m_skip;
    int m_codec;
    const SearchObserver& m_observer;
    BackgroundModel m_model;
    EventBuilder m_builder;
    std::vector<std::unique_ptr<LumaDecoder>> m_keyDecoders; // one per core
    LumaDecoder m_gopDecoder;
    LumaFrame m_gopFrame;
    std::vector<KeyFrame> m_batch;
    size_t m_batchUsed = 0;
    uint64_t m_end = 0;
    std::optional<recording::WalkedRecord> m_lastKey;    // since the last hole
    std::optional<recording::WalkedRecord> m_lastMoving; // of the open event
    std::optional<MotionEvent> m_open;
    MotionResult m_result;
};

} // namespace motion
