#include <cstdio>

#include "tools/vrc-tool/SmallFile.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/ManifestSignature.h"

namespace vrctool {

int RunKeygen(const Args& args)
{
    static constexpr CommandErrors kErrors{"keygen", "usage: vrc-tool keygen KEY\n"};
    if (args.size() != 1 || args[0].starts_with("--"))
        return kErrors.Usage("KEY, one file name, is needed");
    if (const std::string error = ManifestSignature::MakeKey(args[0]); !error.empty())
        return kErrors.Fail(args[0], error);
    std::printf("%s: private key; %s.pub: public key\n", args[0].c_str(), args[0].c_str());
    return 0;
}

int RunSign(const Args& args)
{
    static constexpr CommandErrors kErrors{"sign", "usage: vrc-tool sign MANIFEST --key KEY\n"};
    if (args.size() != 3 || args[1] != "--key")
        return kErrors.Usage("MANIFEST --key KEY is needed");
    std::string why;
    const std::optional<std::string> text = ReadSmallFile(args[0], why);
    if (!text)
        return kErrors.Fail(args[0], why);
    const std::string signature = ManifestSignature::PathFor(args[0]);
    if (const std::string error = ManifestSignature::Sign(*text, args[2], signature); !error.empty())
        return kErrors.Fail(signature, error);
    std::printf("%s\n", signature.c_str());
    return 0;
}

} // namespace vrctool
