#pragma once
#include <string>

#include "recording/ChannelTimeline.h"

namespace vrctool {

// The recorded time of an f_time as "YYYY-MM-DD hh:mm:ss".
std::string RecordedTime(int32_t fTime);

// One anomaly as a JSON object: kind, recorded time, stamps, step and file offset.
std::string AnomalyJson(const recording::TimelineAnomaly& anomaly);

// The anomalies of a timeline as a JSON array.
std::string AnomaliesJson(const recording::ChannelTimeline& timeline);

// One line of text for an anomaly, as the plain timeline prints it.
std::string AnomalyText(const recording::TimelineAnomaly& anomaly);

} // namespace vrctool
