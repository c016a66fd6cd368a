#include "tools/vrc-tool/TimelineJson.h"

#include <cstdio>

#include "recording/TimeConversion.h"
#include "recording/TimeText.h"
#include "tools/vrc-tool/Json.h"

namespace vrctool {

std::string RecordedTime(int32_t fTime) { return recording::FormatDateTime(recording::FTimeToSystemTime(fTime), 1); }

std::string AnomalyJson(const recording::TimelineAnomaly& a)
{
    std::string out = "{\"kind\": " + JsonString(recording::TimelineAnomaly::KindName(a.kind)) +
                      ", \"time\": " + JsonString(RecordedTime(a.f_time)) + ", \"offset\": " + std::to_string(a.offset) +
                      ", \"f_time\": " + std::to_string(a.f_time) + ", \"f_msec\": " + std::to_string(a.f_msec) +
                      ", \"stepMs\": " + std::to_string(a.stepMs);
    if (!a.damage.empty())
        out += ", \"damage\": " + JsonString(a.damage);
    return out + "}";
}

std::string AnomaliesJson(const recording::ChannelTimeline& t)
{
    std::string out = "[";
    for (size_t i = 0; i < t.anomalies.size(); ++i)
        out += (i ? ", " : "") + AnomalyJson(t.anomalies[i]);
    return out + "]";
}

std::string AnomalyText(const recording::TimelineAnomaly& a)
{
    using Kind = recording::TimelineAnomaly::Kind;
    char what[160];
    switch (a.kind) {
    case Kind::Gap: std::snprintf(what, sizeof what, "gap of %.3f s", static_cast<double>(a.stepMs) / 1000.0); break;
    case Kind::Backward:
        std::snprintf(what, sizeof what, "stamp goes back %.3f s", static_cast<double>(-a.stepMs) / 1000.0);
        break;
    case Kind::Repeated: std::snprintf(what, sizeof what, "stamp repeated"); break;
    case Kind::FieldsDisagree:
        std::snprintf(what, sizeof what, "seconds and milliseconds disagree (f_time %d, f_msec %u)", a.f_time, a.f_msec);
        break;
    case Kind::Damaged: return "damaged record at offset " + std::to_string(a.offset) + ", " + a.damage;
    case Kind::NoRun: return "no valid run: " + a.damage;
    }
    return std::string(what) + " at " + RecordedTime(a.f_time) + ", offset " + std::to_string(a.offset);
}

} // namespace vrctool
