#include "recording/Messages.h"

namespace recording {

const char* MessageText(RecordingError error)
{
    switch (error) {
    case RecordingError::C1001: return "C1001 : Broken or corrupted data file.";
    case RecordingError::C1002: return "C1002 : Broken or corrupted data file.";
    case RecordingError::C1003: return "C1003 : Incorrect data file.";
    case RecordingError::C1004: return "C1004 : Broken or corrupted data file.";
    case RecordingError::C1005: return "C1005 : Broken or corrupted data file.";
    case RecordingError::C1006: return "C1006 : Broken or corrupted data file.";
    case RecordingError::C1007: return "C1007 : Broken or corrupted data file.";
    case RecordingError::C1008: return "C1008 : Broken or corrupted data file.";
    }
    return "";
}

std::string ReasonLine(const std::string& path, const std::string& reason)
{
    return path + ": " + reason + ".";
}

} // namespace recording
