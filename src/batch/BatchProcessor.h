#pragma once
// The batch image processor's work, without widgets: shared by the "Image Processor" dialog
// and `tslconvert --batch`.
//
// Each file of a run is loaded (GIF and TIFF by the program's own readers, JPEG straight into
// the picture, decoded at a reduced DCT scale when a resize shrinks it to half or less; the
// rest through the imaging layer), sized, recoloured, given its output path and saved; the
// entries of the output list that hold only palette images force 8 bits whatever the format.
// Files run on worker threads; results reach the caller in the file list's order, on the
// calling thread, and are the same as those of a serial run.
//
// Files are never lost:
// - an original is deleted only after its output was written (renamed into place) and reads
//   back at the size saved, and never when the output is the input itself (the same device
//   and inode) or differs from it only in case;
// - a file that did not load, or an operation that failed, writes nothing: the file is
//   reported " not saved: " and its original stays;
// - a file listed twice (the same device and inode) is processed once, at its first place;
// - an output that is another input of the run, or that an earlier file of the run writes, is
//   refused (" not saved: ") so that neither file is replaced; the rule is decided on the whole
//   list before anything runs, so shards of one list agree with an unsharded run.

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace tsl {

struct FileFormat;

// The dialog's fields: list indexes and texts as the controls hold them.
struct BatchOptions {
    bool changeFormat = false;
    int formatIndex = 3; // into ProcessorFormats(): "BMP - Windows Bitmap (*.bmp)"
    int formatCode = 0;  // with changeFormat: a format the list does not offer (the command
                         // line's --format 91); 0 for the list's entry
    bool sameLocation = true;
    std::string outputFolder;
    bool deleteOriginals = false;
    bool changeColors = false;
    int colorsIndex = 4; // "24 - millions of colors"
    bool grayScale = false;
    int paletteIndex = 1; // "Optimized"
    int ditherIndex = 0;  // "No dithering"
    bool systemPalette = false;
    bool changeSize = false;
    int sizeMode = 0; // 0 trim/crop, 1 resize
    std::string width = "300", height = "200", x = "0", y = "0";
    int qualityIndex = 0; // "Fast, standard quality"
    int jpegQuality = 0;  // 1..100 in place of quality factor 2's (the command line's --quality)
};

// The lists' entries and values, in the dialog's order.
const std::vector<const char*>& BatchColourEntries();   // 1101
const std::vector<int>& BatchColourDepths();            // 1, 4, 8, 16, 24, 32
const std::vector<const char*>& BatchPaletteEntries();  // 1113
const std::vector<unsigned>& BatchPaletteFlags();       // 1, 514, 64
const std::vector<const char*>& BatchDitherEntries();   // 1114
const std::vector<unsigned>& BatchDitherFlags();
const std::vector<const char*>& BatchQualityEntries();  // 1111
const std::vector<unsigned>& BatchQualityFlags();       // 0, 2, 4
// Output-list indexes whose entries force 8 bits per pixel: 4, 5, 6, 7, 14, 15, 25.
bool IsForcedEightBitEntry(int formatIndex);

inline constexpr const char* kNoOutputFolderText = "Please specify output folder";
inline constexpr const char* kNotSavedText = " not saved: ";
inline constexpr const char* kCouldNotRemoveText = "Could not remove ";

// The format a run writes when it changes the format: the list's entry, or formatCode's.
const FileFormat* BatchOutputFormat(const BatchOptions& options);

// The integer value of a text as the platform read it: leading digits after blanks and a sign,
// 0 when there are none.
int BatchInteger(const std::string& text);

// What happened to one file of the list.
struct BatchFileResult {
    int index = 0;          // position in the list
    std::string input;
    std::string output;     // empty when the file was skipped as a duplicate
    bool converted = false; // the output was written (and the original deleted when asked)
    bool skipped = false;   // the same file as an earlier entry
    int bitsPerPixel = 0;   // the depth saved
    int width = 0, height = 0;
    std::vector<std::string> messages; // the texts the user is shown, in order
};

struct BatchRun {
    std::vector<std::string> files; // in the order added
    BatchOptions options;
    int jobs = 0;                   // worker threads; 0: one per core
    int shardIndex = 1;             // process list entries shardIndex, shardIndex + shardCount, ...
    int shardCount = 1;             // (1-based)
    const std::atomic<bool>* cancel = nullptr; // set: no further file is started
};

struct BatchSummary {
    int listed = 0;    // files of this run (the shard's)
    int processed = 0; // files done, converted or not
    int converted = 0;
    int failed = 0;
    bool cancelled = false;
};

// Called once per file of the run, in list order, on the thread that called RunBatch.
using BatchResultSink = std::function<void(const BatchFileResult&)>;

// Runs the batch; reports made by the codecs on the workers are silenced (every failure is in
// the results). The output folder is made (each folder along its path) before the first file.
BatchSummary RunBatch(const BatchRun& run, const BatchResultSink& sink);

// One file as the run processes it, on the calling thread: the output path is given.
BatchFileResult ProcessBatchFile(const std::string& input, const std::string& output,
                                 const BatchOptions& options);

// The output path of an input (see the header comment); the output folder gets a '/'.
std::string BatchOutputPath(const std::string& input, const BatchOptions& options);

} // namespace tsl
