// tslconvert --batch: the image processor's run from the command line (batch/BatchProcessor.h).

#include "Batch.h"

#include "batch/BatchProcessor.h"
#include "core/FormatTable.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <regex>

namespace tsl {

namespace {

int BatchUsage(const std::string& why) {
    if (!why.empty()) std::fprintf(stderr, "tslconvert: %s\n", why.c_str());
    std::fputs(
        "usage: tslconvert --batch [OPTIONS] FILE...   (or --from LIST, '-' for standard input)\n"
        "  --format CODE|EXT  output format: a file-format code or an extension (its first entry)\n"
        "  --out DIR          output folder (made as needed); otherwise each input's folder\n"
        "  --delete-originals delete each input once its output is written and reads back\n"
        "  --colors BPP       1, 4, 8, 16, 24 or 32 (also --bpp);  --gray  gray scale\n"
        "  --palette fixed|optimized|netscape  --dither KIND  --system\n"
        "  --resize WxH  --resample fast|resample|bicubic  --trim WxH+X+Y\n"
        "  --quality Q        JPEG quality 1..100\n"
        "  --jobs N           worker threads (default: one per core)\n"
        "  --shard K/N        only list entries K, K+N, K+2N, ... (1 <= K <= N)\n",
        stderr);
    return 2;
}

bool PositiveInt(const std::string& text, int& out) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < 1 || v > 1 << 20) return false;
    out = static_cast<int>(v);
    return true;
}

// A format code, or an extension's first entry, as an index of the output list.
int FormatIndexOf(const std::string& text) {
    const auto formats = ProcessorFormats();
    int code = 0;
    const bool numeric = PositiveInt(text, code);
    for (std::size_t i = 0; i < formats.size(); ++i)
        if (numeric ? formats[i]->code == code : text == formats[i]->extension)
            return static_cast<int>(i);
    return -1;
}

template <class List> int IndexIn(const List& names, const std::string& text) {
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (text == names[i]) return static_cast<int>(i);
    return -1;
}

bool ReadList(const std::string& from, std::vector<std::string>& files) {
    std::ifstream file;
    std::istream* in = &std::cin;
    if (from != "-") {
        file.open(from);
        if (!file) return false;
        in = &file;
    }
    for (std::string line; std::getline(*in, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) files.push_back(line);
    }
    return true;
}

} // namespace

int BatchMain(const std::vector<std::string>& args) {
    static const char* const kPalettes[] = {"fixed", "optimized", "netscape"};
    static const char* const kDithers[] = {"none",      "floyd",  "stucki",  "burkes",   "sierra",
                                           "stevenson", "jarvis", "ordered", "clustered"};
    static const char* const kResample[] = {"fast", "resample", "bicubic"};
    BatchRun run;
    BatchOptions& o = run.options;
    std::smatch m;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool flag = a.rfind("--", 0) == 0;
        const bool takesValue = flag && a != "--batch" && a != "--delete-originals" &&
                                a != "--gray" && a != "--system";
        if (takesValue && i + 1 >= args.size()) return BatchUsage(a + " needs a value");
        const std::string v = takesValue ? args[++i] : std::string();
        int n = 0;
        if (a == "--batch") {
        } else if (a == "--from") {
            if (!ReadList(v, run.files)) return BatchUsage("cannot read the list " + v);
        } else if (a == "--format") {
            o.formatIndex = FormatIndexOf(v);
            o.changeFormat = true;
            if (o.formatIndex < 0) {
                // A code the dialog's list does not offer (an icon, say) is still written.
                o.formatIndex = 3;
                if (!PositiveInt(v, o.formatCode) || !FindFormat(o.formatCode))
                    return BatchUsage("no output format " + v);
            }
        } else if (a == "--out") {
            if (v.empty()) return BatchUsage(kNoOutputFolderText);
            o.sameLocation = false;
            o.outputFolder = v;
        } else if (a == "--delete-originals") {
            o.deleteOriginals = true;
        } else if (a == "--colors" || a == "--bpp") {
            const auto& depths = BatchColourDepths();
            o.colorsIndex = -1;
            for (std::size_t d = 0; d < depths.size(); ++d)
                if (PositiveInt(v, n) && depths[d] == n) o.colorsIndex = static_cast<int>(d);
            if (o.colorsIndex < 0) return BatchUsage("no colour depth " + v);
            o.changeColors = true;
        } else if (a == "--gray") {
            o.changeColors = o.grayScale = true;
        } else if (a == "--palette") {
            if ((o.paletteIndex = IndexIn(kPalettes, v)) < 0) return BatchUsage("no palette " + v);
        } else if (a == "--dither") {
            if ((o.ditherIndex = IndexIn(kDithers, v)) < 0) return BatchUsage("no dithering " + v);
        } else if (a == "--system") {
            o.systemPalette = true;
        } else if (a == "--resize") {
            if (!std::regex_match(v, m, std::regex(R"((\d+)x(\d+))")))
                return BatchUsage("--resize takes WxH");
            o.changeSize = true;
            o.sizeMode = 1;
            o.width = m[1];
            o.height = m[2];
        } else if (a == "--resample") {
            if ((o.qualityIndex = IndexIn(kResample, v)) < 0) return BatchUsage("no resampling " + v);
        } else if (a == "--trim") {
            if (!std::regex_match(v, m, std::regex(R"((\d+)x(\d+)\+(\d+)\+(\d+))")))
                return BatchUsage("--trim takes WxH+X+Y");
            o.changeSize = true;
            o.sizeMode = 0;
            o.width = m[1];
            o.height = m[2];
            o.x = m[3];
            o.y = m[4];
        } else if (a == "--quality") {
            if (!PositiveInt(v, o.jpegQuality) || o.jpegQuality > 100)
                return BatchUsage("--quality takes 1..100");
        } else if (a == "--jobs") {
            if (!PositiveInt(v, run.jobs)) return BatchUsage("--jobs takes a positive number");
        } else if (a == "--shard") {
            if (!std::regex_match(v, m, std::regex(R"((\d+)/(\d+))")) ||
                !PositiveInt(m[1], run.shardIndex) || !PositiveInt(m[2], run.shardCount) ||
                run.shardIndex > run.shardCount)
                return BatchUsage("--shard takes K/N with 1 <= K <= N");
        } else if (flag) {
            return BatchUsage("unknown option " + a);
        } else {
            run.files.push_back(a);
        }
    }
    if (run.files.empty()) return BatchUsage("no files");
    // Past a file-size limit a write fails (and the file is reported) instead of ending the run.
    std::signal(SIGXFSZ, SIG_IGN);
    const BatchSummary s = RunBatch(run, [](const BatchFileResult& r) {
        for (const std::string& text : r.messages) std::fprintf(stderr, "%s\n", text.c_str());
    });
    std::fprintf(stderr, "%d converted, %d failed\n", s.converted, s.failed);
    return s.failed == 0 && !s.cancelled ? 0 : 1;
}

} // namespace tsl
