#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "tools/vrc-tool/SmallFile.h"
#include "tools/vrc-tool/CommandErrors.h"
#include "tools/vrc-tool/Commands.h"
#include "tools/vrc-tool/Json.h"
#include "tools/vrc-tool/TimelineJson.h"

namespace vrctool {
namespace {

namespace fs = std::filesystem;

constexpr CommandErrors kErrors{"report", "usage: vrc-tool report MANIFEST -o FILE.html|FILE.txt\n"};

using Section = std::pair<std::string, std::vector<std::string>>;

std::string Field(const JsonValue& object, const std::string& path)
{
    const JsonValue* v = &object;
    for (size_t at = 0, dot = 0; v && at <= path.size(); at = dot + 1) {
        dot = path.find('.', at);
        dot = dot == std::string::npos ? path.size() : dot;
        v = v->Find(path.substr(at, dot - at));
    }
    return v ? v->text : std::string();
}

// A fresh verification, its output caught from stdout and stderr as a user would read it.
std::vector<std::string> Verification(const std::string& manifest)
{
    std::fflush(stdout);
    std::fflush(stderr);
    std::FILE* caught = std::tmpfile();
    const int savedOut = ::dup(1), savedErr = ::dup(2);
    if (!caught || savedOut < 0 || savedErr < 0)
        return {"RESULT: NOT VERIFIED (verification could not run)"};
    ::dup2(::fileno(caught), 1);
    ::dup2(::fileno(caught), 2);
    const int status = RunVerify({manifest});
    std::fflush(stdout);
    std::fflush(stderr);
    ::dup2(savedOut, 1);
    ::dup2(savedErr, 2);
    ::close(savedOut);
    ::close(savedErr);
    std::vector<std::string> lines;
    std::rewind(caught);
    char line[4096];
    while (std::fgets(line, sizeof line, caught))
        lines.emplace_back(line, std::strcspn(line, "\n"));
    std::fclose(caught);
    lines.push_back(status == 0 ? "RESULT: VERIFIED" : "RESULT: NOT VERIFIED");
    return lines;
}

// One line per recorded second: the first frame's stamps and how many frames the second holds.
std::vector<std::string> TimeList(const JsonValue& table)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < table.items.size();) {
        const std::vector<JsonValue>& first = table.items[i].items;
        size_t j = i;
        while (j < table.items.size() && table.items[j].items.size() == first.size() &&
               table.items[j].items[2].text == first[2].text)
            ++j;
        if (first.size() < 6 || !first[2].Unsigned())
            return {"(the frame table cannot be read)"};
        lines.push_back(RecordedTime(static_cast<int32_t>(*first[2].Unsigned())) + "  first frame #" + first[0].text +
                        " at clip " + first[5].text + " ms (stamp " + first[3].text + " ms), " +
                        std::to_string(j - i) + " frames");
        i = j;
    }
    return lines;
}

const std::vector<JsonValue>& Items(const JsonValue& m, const std::string& name)
{
    static const std::vector<JsonValue> kNone;
    return m.Find(name) ? m.Find(name)->items : kNone;
}

// What the manifest says of one channel's track.
std::vector<Section> TrackSections(const JsonValue& m)
{
    std::vector<std::string> steps, anomalies;
    for (const JsonValue& s : Items(m, "clockSteps"))
        steps.push_back("frame #" + Field(s, "frame") + " at offset " + Field(s, "offset") + ": stamp stepped " +
                        Field(s, "stampStepMs") + " ms; later frames moved by " + Field(s, "shiftMs") + " ms");
    for (const JsonValue& a : Items(m, "anomalies"))
        anomalies.push_back(Field(a, "kind") + " at " + Field(a, "time") + " (offset " + Field(a, "offset") + ", step " +
                            Field(a, "stepMs") + " ms)" + (Field(a, "damage").empty() ? "" : ": " + Field(a, "damage")));
    const std::string damage = Field(m, "runEndsEarly.damage");
    const JsonValue* table = m.Find("videoTable");
    const std::string channel = "Channel " + Field(m, "channel") + " " + Field(m, "channelName");
    return {
        {channel, {Field(m, "frames") + " frames (" + Field(m, "keyFrames") + " key), " + Field(m, "audioFrames") +
                       " sound frames, " + Field(m, "unplacedAudioFrames") + " sound frames left out",
                   "recorded " + Field(m, "first") + " .. " + Field(m, "last") + " (" + Field(m, "recordedTimeZone") + ")",
                   "records " + Field(m, "span.begin") + " .. " + Field(m, "span.end") + " of the source"}},
        {channel + ": holes, jumps and repeated stamps", anomalies.empty() ? std::vector<std::string>{"none"} : anomalies},
        {channel + ": clock steps bridged", steps.empty() ? std::vector<std::string>{"none"} : steps},
        {channel + ": damage",
         {damage.empty() ? "none" : "the run ends early at offset " + Field(m, "runEndsEarly.offset") + ": " + damage}},
        {channel + ": time list", table ? TimeList(*table) : std::vector<std::string>{}},
    };
}

std::vector<Section> Sections(const JsonValue& m, const std::string& manifest)
{
    std::string line;
    for (const JsonValue& a : Items(m, "command"))
        line += (line.empty() ? "" : " ") + a.text;
    std::vector<Section> sections = {
        {"Exported", {"clip " + Field(m, "clip.name") + ", " + Field(m, "clip.size") + " bytes",
                      "clip SHA-256 " + Field(m, "clip.sha256")}},
        {"From", {"source " + Field(m, "source.path") + ", " + Field(m, "source.size") + " bytes",
                  "source SHA-256 " + Field(m, "source.sha256"), "command: " + line}},
        {"Case", {"case " + Field(m, "record.case") + ", exhibit " + Field(m, "record.exhibit") + ", operator " +
                      Field(m, "record.operator"),
                  "note: " + Field(m, "record.note"), "exported " + Field(m, "record.exportedUtc") + " on " +
                      Field(m, "record.host") + " with vrc-tool " + Field(m, "version") + ", FFmpeg " +
                      Field(m, "record.libraries.FFmpeg")}},
    };
    for (const JsonValue& track : Items(m, "tracks")) {
        const std::vector<Section> more = TrackSections(track);
        sections.insert(sections.end(), more.begin(), more.end());
    }
    sections.push_back({"Verification of " + manifest, Verification(manifest)});
    return sections;
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text)
        out += c == '<' ? "&lt;" : c == '>' ? "&gt;" : c == '&' ? "&amp;" : std::string(1, c);
    return out;
}

std::string Render(const std::vector<Section>& sections, bool html)
{
    std::string out = html ? "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Export report</title>"
                             "<style>body{font-family:sans-serif}pre{background:#f4f4f4;padding:8px}</style></head>"
                             "<body>\n<h1>Export report</h1>\n"
                           : "EXPORT REPORT\n";
    for (const auto& [title, lines] : sections) {
        out += html ? "<h2>" + Escaped(title) + "</h2>\n<pre>" : "\n" + title + "\n" + std::string(title.size(), '-') + "\n";
        for (const std::string& l : lines)
            out += (html ? Escaped(l) : l) + "\n";
        out += html ? "</pre>\n" : "";
    }
    return out + (html ? "</body></html>\n" : "");
}

} // namespace

int RunReport(const Args& args)
{
    if (args.size() != 3 || args[1] != "-o")
        return kErrors.Usage("MANIFEST -o FILE is needed");
    const std::string ext = fs::path(args[2]).extension().string();
    if (ext != ".html" && ext != ".txt")
        return kErrors.Usage(args[2] + " must end in .html or .txt");
    std::string why;
    const std::optional<std::string> text = ReadSmallFile(args[0], why);
    if (!text)
        return kErrors.Fail(args[0], why);
    const std::optional<JsonValue> m = JsonValue::Parse(*text);
    if (!m || !m->Find("tracks"))
        return kErrors.Fail(args[0], "not a manifest written by vrc-tool export");
    std::ofstream out(args[2], std::ios::binary | std::ios::trunc);
    out << Render(Sections(*m, args[0]), ext == ".html");
    out.close();
    if (!out)
        return kErrors.Fail(args[2], "cannot be written");
    std::printf("%s\n", args[2].c_str());
    return 0;
}

} // namespace vrctool
