#include "batch/BatchProcessor.h"

#include "codecs/BmpBitmap.h"
#include "codecs/Dispatch.h"
#include "codecs/Gif.h"
#include "codecs/Jpeg.h"
#include "codecs/Png.h"
#include "core/Extensions.h"
#include "core/FormatTable.h"
#include "core/Services.h"
#include "imaging/LBase.h"
#include "imaging/LBitmap.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

#include <sys/stat.h>

namespace tsl {

namespace fs = std::filesystem;

namespace {

constexpr ScreenSize kScreen{1024, 768}; // recorded in PCX headers

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

template <class T> T At(const std::vector<T>& list, int index, T fallback) {
    return index >= 0 && static_cast<std::size_t>(index) < list.size() ? list[index] : fallback;
}

// A file's identity on disk; absent when it cannot be looked at.
struct FileId {
    dev_t device = 0;
    ino_t inode = 0;
    bool operator<(const FileId& o) const {
        return device != o.device ? device < o.device : inode < o.inode;
    }
    bool operator==(const FileId& o) const { return device == o.device && inode == o.inode; }
};

std::optional<FileId> IdOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return FileId{st.st_dev, st.st_ino};
}

bool SameFile(const std::string& a, const std::string& b) {
    const auto ia = IdOf(a), ib = IdOf(b);
    return ia && ib && *ia == *ib;
}

// A spelling of a path for comparing paths that may not exist yet.
std::string Spelled(const std::string& path) {
    std::error_code ec;
    const fs::path absolute = fs::absolute(path, ec);
    return (ec ? fs::path(path) : absolute).lexically_normal().string();
}

std::string NotSaved(int status, const std::string& output) {
    return ImageOperationErrorText(status, output + kNotSavedText);
}

// Each folder along the path in turn, whatever becomes of the one before.
void MakeFolderPath(const std::string& folder) {
    fs::path built;
    for (const fs::path& part : fs::path(folder)) {
        built /= part;
        std::error_code ec;
        fs::create_directory(built, ec);
    }
}

// Loads the input at its own depth. coverWidth/coverHeight > 0: a resize target, which lets a
// JPEG decode at a reduced DCT scale that still covers it.
int LoadInput(const std::string& path, LBitmapBase& image, int coverWidth, int coverHeight) {
    const DispatchReader reader = ReaderFor(path);
    CDdb bitmap;
    switch (reader) {
    case DispatchReader::Jpeg:
        // A file that is no JPEG after all goes on to the imaging layer, which reads by content.
        bitmap = coverWidth > 0 ? ReadJpegDdbToCover(path, coverWidth, coverHeight, 24)
                                : ReadJpegDdb(path, 24);
        break;
    case DispatchReader::Gif: {
        int transparent = -1;
        bitmap = ReadGifBitmap(path, transparent);
        break;
    }
    case DispatchReader::Png: bitmap = ReadPngBitmap(path); break;
    case DispatchReader::Bmp: bitmap = ReadBmpBitmap(path); break;
    default: break;
    }
    if (!bitmap.IsNull()) {
        image.SetHandle(std::move(bitmap));
        return kSuccess;
    }
    // GIF and TIFF files are the program's own readers' alone; the others the imaging layer's.
    const std::string ext = Lower(ExtensionOf(path));
    if (ext == "gif" || ext == "tif" || ext == "tiff") {
        PackedImage packed;
        if (!ReadPackedImage(path, packed)) return kErrorFileFormat;
        return image.ConvertFromDIB(packed.dib);
    }
    return image.Load(path, 0);
}

// Whether the file reads back as a picture of the size written.
bool ReadsBack(const std::string& path, int width, int height) {
    LBitmapBase check;
    return check.Load(path, 0) >= kSuccess && check.GetWidth() == width &&
           check.GetHeight() == height;
}

int Save(LBitmapBase& image, const std::string& output, int format, int bitsPerPixel,
         const BatchOptions& options) {
    const std::string ext = Lower(ExtensionOf(output));
    if (ext == "gif") {
        // The GIF writer takes palette pictures only.
        if (image.GetBitsPerPixel() > 8) {
            const int status = image.ColorRes(8, kColorResOptimizedExact);
            if (status < kSuccess) return status;
        }
        return WriteGif(output, image.ConvertToDIB(), true, true, -1) == 1 ? kSuccess
                                                                            : kErrorFileWrite;
    }
    if (ext == "tif" || ext == "tiff")
        return WriteImageFile(output, image.GetHandle(), image.GetHandle().Palette(), kScreen)
                   ? kSuccess
                   : kErrorFileWrite;
    return image.Save(output, format, bitsPerPixel, kQualityBest, options.jpegQuality);
}

struct Planned {
    std::string input;
    std::string output;
    bool skip = false;    // the same file as an earlier entry
    bool refused = false; // the output would replace another file of the run
};

// Decides every file's output and the files that must not run, on the whole list.
std::vector<Planned> Plan(const std::vector<std::string>& files, const BatchOptions& options) {
    std::vector<Planned> plan(files.size());
    std::map<FileId, std::size_t> inputIds;
    std::map<std::string, std::size_t> inputNames;
    for (std::size_t i = 0; i < files.size(); ++i) {
        plan[i].input = files[i];
        const std::string name = Spelled(files[i]);
        const auto id = IdOf(files[i]);
        if (inputNames.count(name) || (id && inputIds.count(*id))) {
            plan[i].skip = true;
            continue;
        }
        inputNames.emplace(name, i);
        if (id) inputIds.emplace(*id, i);
    }
    std::map<FileId, std::size_t> outputIds;
    std::map<std::string, std::size_t> outputNames;
    for (std::size_t i = 0; i < files.size(); ++i) {
        Planned& p = plan[i];
        if (p.skip) continue;
        p.output = BatchOutputPath(p.input, options);
        const std::string name = Spelled(p.output);
        const auto id = IdOf(p.output);
        auto other = [i](const auto& map, const auto& key) {
            const auto it = map.find(key);
            return it != map.end() && it->second != i;
        };
        p.refused = other(inputNames, name) || (id && other(inputIds, *id)) ||
                    outputNames.count(name) || (id && outputIds.count(*id));
        if (p.refused) continue; // writes nothing, so it takes no output from a later file
        outputNames.emplace(name, i);
        if (id) outputIds.emplace(*id, i);
    }
    return plan;
}

} // namespace

const std::vector<const char*>& BatchColourEntries() {
    static const std::vector<const char*> v = {
        "1 - black and white",          "4 - 16 colors",
        "8 - 256 colors",               "16 - thousands of colors",
        "24 - millions of colors",      "32 - millions of colors"};
    return v;
}
const std::vector<int>& BatchColourDepths() {
    static const std::vector<int> v = {1, 4, 8, 16, 24, 32};
    return v;
}
const std::vector<const char*>& BatchPaletteEntries() {
    static const std::vector<const char*> v = {"Fixed", "Optimized", "Netscape/IE"};
    return v;
}
const std::vector<unsigned>& BatchPaletteFlags() {
    static const std::vector<unsigned> v = {kColorResFixedPalette, kColorResOptimizedExact,
                                            kColorResNetscapePalette};
    return v;
}
const std::vector<const char*>& BatchDitherEntries() {
    static const std::vector<const char*> v = {
        "No dithering", "Floyd-Steinberg", "Stucki", "Burkes",   "Sierra",
        "Stevenson Arce", "Jarvis",        "Ordered", "Clustered"};
    return v;
}
const std::vector<unsigned>& BatchDitherFlags() {
    // "Clustered" passes the same value as "Ordered".
    static const std::vector<unsigned> v = {kDitherNone,   kDitherFloydSteinberg, kDitherStucki,
                                            kDitherBurkes, kDitherSierra, kDitherStevensonArce,
                                            kDitherJarvis, kDitherOrdered, kDitherOrdered};
    return v;
}
const std::vector<const char*>& BatchQualityEntries() {
    static const std::vector<const char*> v = {"Fast, standard quality",
                                               "Slow, high quality (resample)",
                                               "Slowest, high quality (bicubic)"};
    return v;
}
const std::vector<unsigned>& BatchQualityFlags() {
    static const std::vector<unsigned> v = {kSizeNearest, kSizeBilinear, kSizeBicubic};
    return v;
}

bool IsForcedEightBitEntry(int formatIndex) {
    switch (formatIndex) {
    case 4: case 5: case 6: case 7: case 14: case 15: case 25: return true;
    default: return false;
    }
}

const FileFormat* BatchOutputFormat(const BatchOptions& options) {
    if (const FileFormat* f = options.formatCode > 0 ? FindFormat(options.formatCode) : nullptr)
        return f;
    const auto formats = ProcessorFormats();
    return At(formats, options.formatIndex, formats[3]);
}

int BatchInteger(const std::string& text) {
    const long value = std::strtol(text.c_str(), nullptr, 10);
    return value > INT_MAX ? INT_MAX : value < INT_MIN ? INT_MIN : static_cast<int>(value);
}

std::string BatchOutputPath(const std::string& input, const BatchOptions& options) {
    const fs::path in(input);
    const std::string name = in.filename().string();
    const std::string spelledExt = ExtensionOf(name);
    const std::string stem =
        name.find('.') == std::string::npos ? name : name.substr(0, name.rfind('.'));
    std::string ext;
    if (options.changeFormat) {
        ext = BatchOutputFormat(options)->extension;
    } else {
        ext = Lower(spelledExt);
    }
    // In place an output of the input's own extension keeps its spelling (pic.BMP stays
    // pic.BMP), so that no second file appears beside it.
    if (options.sameLocation && Lower(spelledExt) == ext) ext = spelledExt;
    const std::string file = stem + "." + ext;
    if (options.sameLocation) {
        const std::string folder = in.parent_path().string();
        if (folder.empty()) return file;
        return folder.back() == '/' ? folder + file : folder + "/" + file;
    }
    std::string folder = options.outputFolder;
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder + file;
}

BatchFileResult ProcessBatchFile(const std::string& input, const std::string& output,
                                 const BatchOptions& options) {
    BatchFileResult r;
    r.input = input;
    r.output = output;
    const int newWidth = std::max(2, BatchInteger(options.width));
    const int newHeight = std::max(2, BatchInteger(options.height));
    const bool resize = options.changeSize && options.sizeMode == 1;

    LBitmapBase image;
    int status = LoadInput(input, image, resize ? newWidth : 0, resize ? newHeight : 0);
    if (status < kSuccess || !image.IsAllocated()) {
        r.messages.push_back(ImageOperationErrorText(status, input));
        r.messages.push_back(NotSaved(kErrorNoBitmap, output));
        return r;
    }
    // Each step that fails leaves the file unsaved rather than saving a picture it did not make.
    if (options.changeSize) {
        if (resize) {
            if (image.GetWidth() != newWidth || image.GetHeight() != newHeight)
                status = image.Size(newWidth, newHeight,
                                    At(BatchQualityFlags(), options.qualityIndex, 0u));
        } else {
            const int x = BatchInteger(options.x), y = BatchInteger(options.y);
            status = image.Trim(x < newWidth - 1 ? x : 0, y < newHeight - 1 ? y : 0, newWidth,
                                newHeight);
        }
    }
    if (status >= kSuccess && options.changeColors) {
        if (options.grayScale) {
            status = image.GrayScale(8);
        } else {
            const int bpp = At(BatchColourDepths(), options.colorsIndex, 24);
            const unsigned flags =
                bpp > 8 ? kColorResDitheredTrueColor
                        : At(BatchPaletteFlags(), options.paletteIndex, kColorResOptimizedExact) +
                              (options.systemPalette ? kColorResInsertSystemPalette : 0u) +
                              At(BatchDitherFlags(), options.ditherIndex, 0u);
            status = image.ColorRes(bpp, flags);
        }
    }
    int format = FormatForExtension(Lower(ExtensionOf(output)));
    if (options.changeFormat) format = BatchOutputFormat(options)->code;
    if (status >= kSuccess && IsForcedEightBitEntry(options.formatIndex) &&
        image.GetBitsPerPixel() != 8)
        status = image.ColorRes(8, kColorResOptimizedExact);
    if (status < kSuccess) {
        r.messages.push_back(NotSaved(status, output));
        return r;
    }
    r.bitsPerPixel = image.GetBitsPerPixel();
    r.width = image.GetWidth();
    r.height = image.GetHeight();

    status = Save(image, output, format, r.bitsPerPixel, options);
    image.Free();
    if (status < kSuccess) {
        r.messages.push_back(NotSaved(status, output));
        return r;
    }
    if (options.deleteOriginals && Lower(input) != Lower(output) && !SameFile(input, output)) {
        if (!ReadsBack(output, r.width, r.height)) {
            r.messages.push_back(NotSaved(kErrorFileWrite, output));
            return r;
        }
        std::error_code ec;
        if (!fs::remove(input, ec) || ec) r.messages.push_back(kCouldNotRemoveText + Lower(input));
    }
    r.converted = r.messages.empty();
    return r;
}

BatchSummary RunBatch(const BatchRun& run, const BatchResultSink& sink) {
    BatchSummary summary;
    if (!run.options.sameLocation) {
        std::error_code ec;
        if (!fs::is_directory(run.options.outputFolder, ec)) MakeFolderPath(run.options.outputFolder);
    }
    const std::vector<Planned> plan = Plan(run.files, run.options);
    const int count = std::max(1, run.shardCount);
    std::vector<std::size_t> mine;
    for (std::size_t i = 0; i < plan.size(); ++i)
        if (static_cast<int>(i % count) == run.shardIndex - 1) mine.push_back(i);
    summary.listed = static_cast<int>(mine.size());

    auto one = [&](std::size_t k) {
        const Planned& p = plan[mine[k]];
        BatchFileResult r;
        if (p.skip) {
            r.input = p.input;
            r.skipped = true;
            r.converted = true;
        } else if (p.refused) {
            r.input = p.input;
            r.output = p.output;
            r.messages.push_back(NotSaved(kErrorFileWrite, p.output));
        } else {
            r = ProcessBatchFile(p.input, p.output, run.options);
        }
        r.index = static_cast<int>(mine[k]);
        return r;
    };

    std::vector<std::optional<BatchFileResult>> results(mine.size());
    std::mutex mutex;
    std::condition_variable ready;
    std::size_t next = 0; // the next file a worker takes; files are taken in list order
    int running = 0;
    const int hardware = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int jobs = std::clamp(run.jobs > 0 ? run.jobs : hardware, 1,
                                std::max(1, static_cast<int>(mine.size())));
    std::vector<std::thread> workers;
    running = jobs;
    for (int j = 0; j < jobs; ++j)
        workers.emplace_back([&] {
            CQuietReports quiet;
            for (;;) {
                std::size_t k;
                {
                    std::lock_guard lock(mutex);
                    if (next >= mine.size() || (run.cancel && run.cancel->load())) break;
                    k = next++;
                }
                BatchFileResult r = one(k);
                std::lock_guard lock(mutex);
                results[k] = std::move(r);
                ready.notify_all();
            }
            std::lock_guard lock(mutex);
            --running;
            ready.notify_all();
        });

    for (std::size_t k = 0; k < mine.size(); ++k) {
        std::unique_lock lock(mutex);
        ready.wait(lock, [&] { return results[k].has_value() || (running == 0 && k >= next); });
        if (!results[k]) break; // cancelled before this file was started
        BatchFileResult r = std::move(*results[k]);
        results[k].reset();
        lock.unlock();
        ++summary.processed;
        (r.converted ? summary.converted : summary.failed)++;
        if (sink) sink(r);
    }
    for (std::thread& t : workers) t.join();
    summary.cancelled = summary.processed < summary.listed;
    return summary;
}

} // namespace tsl
