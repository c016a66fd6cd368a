#include "tools/vrc-tool/ExportRecord.h"

#include <ctime>
#include <openssl/crypto.h>
#include <unistd.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

#include "tools/vrc-tool/Json.h"

namespace vrctool {
namespace {

std::string Version(unsigned version)
{
    return std::to_string(AV_VERSION_MAJOR(version)) + "." + std::to_string(AV_VERSION_MINOR(version)) + "." +
           std::to_string(AV_VERSION_MICRO(version));
}

} // namespace

std::string ExportRecord::Json(const ExportArgs& args)
{
    char host[256] = "";
    ::gethostname(host, sizeof host - 1);
    const std::time_t now = std::time(nullptr);
    std::tm utc{};
    ::gmtime_r(&now, &utc);
    char when[40];
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S UTC", &utc);
    return "{\"case\": " + JsonString(args.caseId) + ", \"exhibit\": " + JsonString(args.exhibit) +
           ", \"operator\": " + JsonString(args.operatorName) + ", \"note\": " + JsonString(args.note) +
           ",\n    \"exportedUtc\": " + JsonString(when) + ", \"host\": " + JsonString(host) +
           ",\n    \"libraries\": {\"FFmpeg\": " + JsonString(av_version_info()) +
           ", \"libavformat\": " + JsonString(Version(avformat_version())) +
           ", \"libavcodec\": " + JsonString(Version(avcodec_version())) +
           ", \"libavutil\": " + JsonString(Version(avutil_version())) +
           ", \"libcrypto\": " + JsonString(OpenSSL_version(OPENSSL_VERSION)) + "}}";
}

} // namespace vrctool
